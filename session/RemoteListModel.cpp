#include "session/RemoteListModel.h"

#include "engine/VisibleText.h"
#include "session/PermissionBits.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QMutex>

#include <algorithm>
#include <limits>
#include <numeric>

namespace
{

constexpr int kNameWidth = 180;
constexpr int kColumnWidth = 100;
constexpr int kNewRowPermissionBits = 0x700;

QStringList Headings()
{
    return QCoreApplication::translate("RemoteListModel", "名稱\n大小\n類型\n修改日期\n屬性\n擁有人\n群組")
        .split(u'\n');
}

QString GroupedDigits(qint64 value)
{
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return digits;
}

// Rows without a date sort before every dated one.
qint64 TimeKey(const QDateTime& time)
{
    return time.isValid() ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

template <typename T> int Compare(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool IsColumn(int column)
{
    return column >= 0 && column < CRemoteListModel::ColumnCount;
}

QString WithoutTrailingSlashes(QString path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

CRemoteListModel::CRemoteListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CRemoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CRemoteListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CRemoteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || !IsColumn(index.column()))
        return {};
    if (role == Qt::DisplayRole)
        return DisplayText(m_rows.at(index.row()), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(index.column() == SizeColumn ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    return {};
}

QVariant CRemoteListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !IsColumn(section))
        return {};
    if (role == Qt::DisplayRole)
        return Headings().at(section);
    if (role == Qt::TextAlignmentRole)
        return int(section == SizeColumn ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    return {};
}

QString CRemoteListModel::DisplayText(const CFtpListItem& item, int column)
{
    if (item.IsParent())
        return column == NameColumn ? item.name : QString();
    switch (column)
    {
    case NameColumn:
        return VisibleText(item.name);
    case SizeColumn:
        return item.isFolder ? QString() : SizeText(item.size);
    case TypeColumn:
        return TypeTextOf(item);
    case DateColumn:
        return DateText(item.modified);
    case AttributesColumn:
        return PermissionText(item.permissionBits, item.isFolder);
    case OwnerColumn:
        return VisibleText(item.owner);
    case GroupColumn:
        return VisibleText(item.group);
    }
    return {};
}

QString CRemoteListModel::TypeTextOf(const CFtpListItem& item)
{
    return item.typeText.isEmpty() ? TypeText(item.name, item.isFolder) : item.typeText;
}

void CRemoteListModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = IsColumn(column) ? column : NameColumn;
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    MovePersistentIndexes(Reorder());
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CRemoteListModel::SortByHeaderClick(int column)
{
    if (column == m_sortColumn)
        sort(column, m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    else
        sort(column, Qt::AscendingOrder);
}

int CRemoteListModel::CompareByColumn(const CFtpListItem& a, const CFtpListItem& b) const
{
    switch (m_sortColumn)
    {
    case SizeColumn:
        return Compare(a.size, b.size);
    case TypeColumn:
        return a.typeText.compare(b.typeText, Qt::CaseInsensitive);
    case DateColumn:
        return Compare(TimeKey(a.modified), TimeKey(b.modified));
    case AttributesColumn:
        return Compare(a.permissionBits, b.permissionBits);
    case OwnerColumn:
        return a.owner.compare(b.owner, Qt::CaseInsensitive);
    case GroupColumn:
        return a.group.compare(b.group, Qt::CaseInsensitive);
    }
    return a.name.compare(b.name, Qt::CaseInsensitive);
}

bool CRemoteListModel::Precedes(const CFtpListItem& a, const CFtpListItem& b) const
{
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    if (a.IsParent() != b.IsParent())
        return a.IsParent();
    if (a.isFolder != b.isFolder)
        return a.isFolder == ascending;
    const int result = CompareByColumn(a, b);
    if (result != 0)
        return ascending ? result < 0 : result > 0;
    // Ties go by name in both directions, so that rows keep one order whatever order the server listed.
    const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
    return byName != 0 ? byName < 0 : a.name < b.name;
}

QList<int> CRemoteListModel::Reorder()
{
    if (m_sortColumn == TypeColumn)
        FillTypeTexts();
    QList<int> oldRowOfNew(m_rows.size());
    std::iota(oldRowOfNew.begin(), oldRowOfNew.end(), 0);
    std::stable_sort(oldRowOfNew.begin(), oldRowOfNew.end(),
                     [this](int a, int b) { return Precedes(m_rows.at(a), m_rows.at(b)); });

    QList<CFtpListItem> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newRowOfOld(m_rows.size());
    for (int newRow = 0; newRow < oldRowOfNew.size(); ++newRow)
    {
        sorted.append(std::move(m_rows[oldRowOfNew[newRow]]));
        newRowOfOld[oldRowOfNew[newRow]] = newRow;
    }
    m_rows = std::move(sorted);
    return newRowOfOld;
}

void CRemoteListModel::MovePersistentIndexes(const QList<int>& newRowOfOld)
{
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(createIndex(newRowOfOld.at(index.row()), index.column()));
    changePersistentIndexList(before, after);
}

void CRemoteListModel::FillTypeTexts()
{
    for (CFtpListItem& item : m_rows)
    {
        if (item.typeText.isEmpty())
            item.typeText = TypeText(item.name, item.isFolder);
    }
}

void CRemoteListModel::SetListing(QList<CFtpListItem> items, bool withParentRow)
{
    beginResetModel();
    m_rows = std::move(items);
    if (withParentRow)
        m_rows.prepend(CFtpListItem::ParentRow());
    Reorder();
    endResetModel();
}

void CRemoteListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int CRemoteListModel::FindRow(const QString& name) const
{
    for (qsizetype row = m_rows.size() - 1; row >= 0; --row)
    {
        if (!m_rows[row].IsParent() && m_rows[row].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(row);
    }
    return -1;
}

int CRemoteListModel::AppendRow(const CFtpListItem& item)
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(item);
    endInsertRows();
    return row;
}

void CRemoteListModel::RemoveRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void CRemoteListModel::RenameRow(int row, const QString& name)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].name = name;
    m_rows[row].typeText.clear();
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void CRemoteListModel::SetPermissionBits(int row, int bits)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].permissionBits = bits;
    Q_EMIT dataChanged(index(row, AttributesColumn), index(row, AttributesColumn));
}

int CRemoteListModel::AddOrRefreshUploaded(const QString& name, qint64 size, const QDateTime& modified,
                                           bool isFolder)
{
    const QDateTime time = isFolder || !modified.isValid() ? QDateTime::currentDateTimeUtc() : modified;
    const int row = FindRow(name);
    if (row < 0)
        return AppendRow({name, size, {}, time, isFolder, kNewRowPermissionBits, {}, {}});
    m_rows[row].size = size;
    m_rows[row].modified = time;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return row;
}

void CRemoteListModel::SetUnixServer(bool unix)
{
    if (m_unixServer == unix)
        return;
    m_unixServer = unix;
    Q_EMIT headerDataChanged(Qt::Horizontal, AttributesColumn, GroupColumn);
}

int CRemoteListModel::ColumnWidth(int column) const
{
    if (column == NameColumn)
        return kNameWidth;
    if (column >= AttributesColumn && column <= GroupColumn)
        return m_unixServer ? kColumnWidth : 0;
    return IsColumn(column) ? kColumnWidth : 0;
}

QString CRemoteListModel::SizeText(qint64 bytes)
{
    const qint64 kilobytes = bytes <= 1024 ? 1 : bytes / 1024 + (bytes % 1024 != 0);
    return GroupedDigits(kilobytes) + QStringLiteral(" KB");
}

QString CRemoteListModel::DateText(const QDateTime& modified)
{
    if (!modified.isValid())
        return {};
    const QDateTime local = modified.toLocalTime();
    const QLocale locale;
    return locale.toString(local.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(local.time(), QLocale::ShortFormat);
}

QString CRemoteListModel::TypeText(const QString& name, bool isFolder)
{
    if (isFolder)
        return QStringLiteral("Folder");
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot + 1 == name.size())
        return QStringLiteral("File");
    return ExtensionTypeText(name.mid(dot + 1));
}

// The type follows the extension alone, as on the desktop the program came from; a folder of 100,000
// files then asks the MIME database once per extension rather than once per file.
QString CRemoteListModel::ExtensionTypeText(const QString& extension)
{
    static QMutex lock;
    static QHash<QString, QString> known;
    const QMutexLocker locker(&lock);
    auto found = known.constFind(extension);
    if (found != known.constEnd())
        return *found;
    static const QMimeDatabase database;
    const QList<QMimeType> types = database.mimeTypesForFileName(QStringLiteral("file.") + extension);
    QString text = types.isEmpty() ? QString() : types.first().comment();
    if (text.isEmpty())
        text = extension.toUpper() + QStringLiteral(" File");
    return *known.insert(extension, text);
}

std::optional<CRemoteListModel::RelayedRow> CRemoteListModel::RowForRelayedPath(const QString& currentFolder,
                                                                                const QString& remotePath)
{
    // Whole folder names only: "/pub" is not a prefix of "/public/a".
    const QString prefix = WithoutTrailingSlashes(currentFolder) + u'/';
    if (!remotePath.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    QString rest = remotePath.mid(prefix.size());
    while (rest.startsWith(u'/'))
        rest.remove(0, 1);
    if (rest.isEmpty())
        return std::nullopt;
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        return RelayedRow{rest, false};
    return RelayedRow{rest.left(slash), true};
}
