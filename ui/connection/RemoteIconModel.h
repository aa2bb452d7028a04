#pragma once

#include <QHash>
#include <QIcon>
#include <QIdentityProxyModel>

class CRemoteListModel;

// The remote list as the views show it: the rows of CRemoteListModel with their icons, and the name
// column editable in place (never the parent row). An edit changes nothing here: the view takes the
// typed name to the server when the editor closes.
class CRemoteIconModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    // The name a new folder's row carries until the user has typed the real one.
    static const QString kNewFolderPlaceholder;

    explicit CRemoteIconModel(CRemoteListModel& rows, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    CRemoteListModel& Rows() const { return m_rows; }

private:
    QIcon IconOf(int row) const;
    QIcon FileIcon(const QString& name) const;

    CRemoteListModel& m_rows;
    QIcon m_folderIcon;
    QIcon m_fileIcon;
    // By file-name extension: a 100,000-row folder asks for few distinct icons.
    mutable QHash<QString, QIcon> m_fileIcons;
};
