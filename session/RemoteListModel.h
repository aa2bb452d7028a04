#pragma once

#include "transfer/FtpListItem.h"

#include <QAbstractTableModel>
#include <QList>

#include <optional>

// The rows of a connection window's remote list. Texts are made when the view asks for them; a
// listing arrives as one reset and a sort is one layout change, so a folder of 100,000 entries costs
// the view two notifications, not 100,000.
class CRemoteListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        SizeColumn,
        TypeColumn,
        DateColumn,
        AttributesColumn,
        OwnerColumn,
        GroupColumn,
        ColumnCount
    };

    // The row that a finished transfer to a remote path touches.
    struct RelayedRow
    {
        QString name;
        // The path lies deeper: the row is the sub-folder it goes through. Otherwise the row is the
        // transferred entry itself, of the entry's own kind.
        bool viaSubFolder = false;
    };

    explicit CRemoteListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The parent row first in both directions; folders before files when ascending, after them when
    // descending; rows of one kind by the column, equal ones keeping their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // A header click: the sort column again reverses the direction, another column sorts ascending.
    void SortByHeaderClick(int column);
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    // Replaces all rows at once (the parent row first when asked), sorted by the current column.
    void SetListing(QList<CFtpListItem> items, bool withParentRow);
    void Clear();

    const QList<CFtpListItem>& Items() const { return m_rows; }
    const CFtpListItem& Item(int row) const { return m_rows.at(row); }
    // The last row of that name without regard to case, or -1.
    int FindRow(const QString& name) const;

    // Appended without sorting, as a new folder or an uploaded file appears at the end.
    int AppendRow(const CFtpListItem& item);
    void RemoveRow(int row);
    void RenameRow(int row, const QString& name);
    void SetPermissionBits(int row, int bits);

    // An uploaded or dropped file or folder: the row of that name (without case) takes the new size and
    // date, else a new row is added with permission bits 0x700. Folders and invalid dates take the
    // current time. Gives the row.
    int AddOrRefreshUploaded(const QString& name, qint64 size, const QDateTime& modified, bool isFolder);

    // Attribute, owner and group columns are shown for UNIX servers only.
    void SetUnixServer(bool unix);
    bool IsUnixServer() const { return m_unixServer; }
    int ColumnWidth(int column) const;

    // Kilobytes rounded up, at least 1, digits grouped by "," and followed by " KB".
    static QString SizeText(qint64 bytes);
    // The time taken as UTC, shown in local time: short date, a space, time without seconds.
    static QString DateText(const QDateTime& modified);
    // "Folder"; for a file the MIME database's name for its extension, or the upper-cased extension
    // and " File", or "File" alone without an extension.
    static QString TypeText(const QString& name, bool isFolder);
    // Which row of the current folder a finished transfer to remotePath touches; none when the path
    // lies outside the folder.
    static std::optional<RelayedRow> RowForRelayedPath(const QString& currentFolder,
                                                       const QString& remotePath);

private:
    static QString DisplayText(const CFtpListItem& item, int column);
    static QString TypeTextOf(const CFtpListItem& item);
    static QString ExtensionTypeText(const QString& extension);
    void FillTypeTexts();
    int CompareByColumn(const CFtpListItem& a, const CFtpListItem& b) const;
    bool Precedes(const CFtpListItem& a, const CFtpListItem& b) const;
    // Sorts the rows by the current column and order; gives the new row of each old one.
    QList<int> Reorder();
    void MovePersistentIndexes(const QList<int>& newRowOfOld);

    QList<CFtpListItem> m_rows;
    int m_sortColumn = NameColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_unixServer = false;
};
