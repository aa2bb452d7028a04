#pragma once

#include "transfer/FtpTransferWorker.h"

#include <QList>

// One queued upload job and the thread that carries it out over a connection of its own: local folders
// expanded, each file stored under its remote path (the decisions were made when it was queued),
// stamped with its local time and checked; every landed file is relayed to the requesting window.
class CUploadThread final : public CFtpTransferWorker
{
    Q_OBJECT

public:
    CUploadThread(const CTransferJob& job, const CWorkerSettings& settings, IOverwritePrompts& prompts,
                  TransferProgressMaker makeProgress = {});
    ~CUploadThread() override;

private:
    CWorkerStep RunJob() override;
    QString CompletedMessage() const override;
    QString CancelledMessage() const override;

    QList<CTransferEntry> BuildWorkList();
    void AddLocalFolder(const QString& folder, int depth, QList<CTransferEntry>& work);
    QString RemotePathFor(const QString& localPath, const QString& remoteName) const;
    // A folder is made and relayed; a file is uploaded (tried again while the connection breaks and
    // attempts are left), stamped with its local time, checked and relayed.
    CWorkerStep UploadEntry(CTransferEntry entry, const QString& localPath, const QString& remotePath);
    CWorkerStep UploadFile(CTransferEntry entry, const QString& localPath, const QString& remotePath);
    // Made (with its parents) and checked once for all the files of the folder.
    FtpResult EnterFolder(const QString& folder);
    void SendLocalTime(const QString& localPath, const QString& remotePath);
    void Connected() override { m_enteredFolder.clear(); }

    QString m_baseFolder;
    QString m_enteredFolder;
    bool m_mfmtFirst = false; // the server refused MDTM with a time and took MFMT
};
