#include "ui/connection/RemoteIconModel.h"

#include "session/RemoteListModel.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

const QString CRemoteIconModel::kNewFolderPlaceholder = QStringLiteral("redloF weN");

namespace
{

const QString kNewFolderText = QStringLiteral("New Folder");

} // namespace

CRemoteIconModel::CRemoteIconModel(CRemoteListModel& rows, QObject* parent)
    : QIdentityProxyModel(parent), m_rows(rows)
{
    const QFileIconProvider provider;
    m_folderIcon = QIcon::fromTheme(QStringLiteral("folder"), provider.icon(QFileIconProvider::Folder));
    m_fileIcon = QIcon::fromTheme(QStringLiteral("text-x-generic"), provider.icon(QFileIconProvider::File));
    setSourceModel(&rows);
}

QVariant CRemoteIconModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() != CRemoteListModel::NameColumn)
        return QIdentityProxyModel::data(index, role);
    if (role == Qt::DecorationRole)
        return IconOf(index.row());
    if (role == Qt::EditRole)
    {
        const CFtpListItem& item = m_rows.Item(index.row());
        return item.isFolder && item.name == kNewFolderPlaceholder ? kNewFolderText : item.name;
    }
    return QIdentityProxyModel::data(index, role);
}

Qt::ItemFlags CRemoteIconModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
    if (index.isValid() && index.column() == CRemoteListModel::NameColumn &&
        !m_rows.Item(index.row()).IsParent())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QIcon CRemoteIconModel::IconOf(int row) const
{
    const CFtpListItem& item = m_rows.Item(row);
    return item.isFolder ? m_folderIcon : FileIcon(item.name);
}

QIcon CRemoteIconModel::FileIcon(const QString& name) const
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix.isEmpty())
        return m_fileIcon;
    const auto known = m_fileIcons.constFind(suffix);
    if (known != m_fileIcons.constEnd())
        return *known;
    static const QMimeDatabase mimeTypes;
    const QMimeType type = mimeTypes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), m_fileIcon));
    m_fileIcons.insert(suffix, icon);
    return icon;
}
