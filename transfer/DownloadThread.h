#pragma once

#include "transfer/FilterLists.h"
#include "transfer/FtpTransferWorker.h"
#include "transfer/OverwriteResolver.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>

class CFtpConnectionDLX;

// One queued download job and the thread that carries it out over a connection of its own: folders
// expanded, each file placed, decided about, downloaded, stamped and checked. A job whose local folder
// names a site ("ftp:\") is copied to that site instead (CServerCopy).
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
    // A file whose download was started, where it goes and whether it continues what is there.
    struct CStartedDownload
    {
        CTransferEntry entry;
        QString localPath;
        bool resume = false;
    };
    // Decides about the file and starts its download; nothing when it is skipped.
    std::optional<CStartedDownload> StartDownload(const CTransferEntry& entry, const QString& localPath,
                                                  bool lastFile, COverwriteResolver& resolver);
    void BeginDownload(const CStartedDownload& started);
    // Waits for the download (tried again while the connection breaks and attempts are left), then
    // stamps and checks the file. next is the file started behind it, if any.
    CWorkerStep FinishDownload(CStartedDownload& started, const std::optional<CStartedDownload>& next);
    void StampRemoteTime(const QString& localPath, const QDateTime& remoteTime);

    // Server to server: the source passive, the destination told its address, RETR and STOR.
    bool IsServerCopy() const;
    CWorkerStep CopyToSite(const QList<CTransferEntry>& work);
    CWorkerStep CopyEntry(CFtpConnectionDLX& destination, const CTransferEntry& entry);
    CWorkerStep CopyFile(CFtpConnectionDLX& destination, const QString& source, const QString& target);
    CWorkerStep PointDestinationAtSource(CFtpConnectionDLX& destination);
    CWorkerStep RunCopy(CFtpConnectionDLX& destination, const QString& source, const QString& target);
    CWorkerStep CopyWhenReady(CFtpComponent& store, const QString& source, const QString& target,
                              CEvent& heard, const bool& ready, const CRawReply& stored);
    void WaitForDestination(CEvent& heard, const std::function<bool()>& done);

    CFilterLists m_filter;
    // Plain files' sizes as the listings gave them, so the engine need not ask again.
    QHash<QString, qint64> m_listedSizes;
    // The local folder the last file went to: made once for all its files.
    QString m_madeFolder;
    bool m_resumeAllowed = true;
};
