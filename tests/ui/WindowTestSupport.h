#pragma once

#include "session/RemoteListModel.h"
#include "transfer/TransferQueue.h"
#include "ui/FTPClientView.h"

#include <QAbstractItemView>
#include <QFile>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

// Pieces shared by the tests that drive a connection window against a harness server.
namespace WindowTestSupport
{

// A folder of the harness server as the test sees it on disk and as the client names it.
struct CRemoteFolder
{
    QString disk;
    QString remote;
};

// Files made by the test belong to the server's user, as if they had been uploaded.
inline bool GiveToServerUser(const QString& path, const QString& ownerOf)
{
    struct stat owner = {};
    return ::stat(QFile::encodeName(ownerOf).constData(), &owner) == 0 &&
           ::chown(QFile::encodeName(path).constData(), owner.st_uid, owner.st_gid) == 0;
}

// The queue's rows as the bar shows them with each job's details, for failure messages.
inline QString QueueText(const CTransferQueue& queue)
{
    QStringList rows;
    for (int row = 0; row < queue.rowCount(); ++row)
    {
        QStringList texts;
        for (int column = 0; column < queue.columnCount(); ++column)
            texts << queue.data(queue.index(row, column)).toString();
        rows << texts.join(u'|') + u'\n' + queue.Details(row);
    }
    return rows.join(u'\n');
}

inline void SelectRows(CFTPClientView* view, const QStringList& names)
{
    QItemSelectionModel* selection = view->DetailsView()->selectionModel();
    selection->clearSelection();
    for (const QString& name : names)
    {
        const QModelIndex index = view->ShownModel()->index(view->Session().ListModel().FindRow(name), 0);
        selection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

} // namespace WindowTestSupport
