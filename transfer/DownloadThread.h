#pragma once

#include "transfer/FilterLists.h"
#include "transfer/FtpTransferWorker.h"
#include "transfer/OverwriteResolver.h"

#include <QHash>
#include <QList>

// One queued download job and the thread that carries it out over a connection of its own: folders
// expanded, each file placed, decided about, downloaded, stamped and checked. A job whose local folder
// names a site ("ftp:\") is copied to that site instead, straight from server to server.
class CDownloadThread final : public CFtpTransferWorker
{
    Q_OBJECT

public:
    CDownloadThread(const CTransferJob& job, const CWorkerSettings& settings, IOverwritePrompts& prompts,
                    TransferProgressMaker makeProgress = {});
    ~CDownloadThread() override;

private:
    CWorkerStep CheckJob() override;
    CWorkerStep RunJob() override;
    QString CompletedMessage() const override;
    QString CancelledMessage() const override;

    // The job's entries with full remote paths, folders followed by everything below them.
    CWorkerStep BuildWorkList(QList<CTransferEntry>& work);
    CWorkerStep AddFolder(const QString& folder, int depth, QList<CTransferEntry>& work);
    CWorkerStep DownloadAll(QList<CTransferEntry>& work);
    // Empty when the entry would land outside the job's folder.
    QString LocalPathFor(const CTransferEntry& entry, bool subPath) const;
    // Decides about the file, downloads it (tried again while the connection breaks and attempts are
    // left), stamps and checks it.
    CWorkerStep DownloadFile(const CTransferEntry& entry, const QString& localPath, bool lastFile,
                             COverwriteResolver& resolver);
    void StampRemoteTime(const QString& localPath, const QDateTime& remoteTime);
    // How a resumed job names the entry: below the job's folder.
    CTransferEntry JobEntryOf(const CTransferEntry& entry) const;

    // Server to server: each file copied from this connection's server to the destination site's.
    bool IsServerCopy() const;
    CWorkerStep CopyToSite(const QList<CTransferEntry>& work);
    CWorkerStep ConnectDestination(CRemoteConnection& destination);
    CWorkerStep CopyEntry(CRemoteConnection& destination, const CTransferEntry& entry);
    CWorkerStep CopyFile(CRemoteConnection& destination, const CTransferEntry& entry, const QString& target);

    CFilterLists m_filter;
    // Plain files' sizes as the listings gave them, so the engine need not ask again.
    QHash<QString, qint64> m_listedSizes;
    // The local folder the last file went to, or the destination's folder the last copy went to: made
    // once for all its files.
    QString m_madeFolder;
    // The destination's folder that copies go below.
    QString m_destinationFolder;
    bool m_resumeAllowed = true;
};
