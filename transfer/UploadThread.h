#pragma once

#include "transfer/FtpTransferWorker.h"

#include <QList>
#include <optional>

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
    // A file whose upload was started, where it comes from and goes and whether it continues what is
    // there.
    struct CStartedUpload
    {
        CTransferEntry entry;
        QString localPath;
        QString remotePath;
        bool resume = false;
    };
    // Whether the entry may start while another file still moves: a file of the folder entered last.
    bool MayFollow(const CTransferEntry& entry, const QString& remotePath) const;
    // A folder is made and relayed; a file's folder is entered and its upload started.
    CWorkerStep StartEntry(CTransferEntry& entry, const QString& localPath, const QString& remotePath,
                           std::optional<CStartedUpload>& started);
    void BeginUpload(const CStartedUpload& started);
    // Waits for the upload (tried again while the connection breaks and attempts are left), then
    // stamps, checks and relays the file. next is the file started behind it, if any.
    CWorkerStep FinishUpload(CStartedUpload& started, const std::optional<CStartedUpload>& next);
    CWorkerStep EnterFolder(const QString& folder);
    void SendLocalTime(const QString& localPath, const QString& remotePath);

    QString m_baseFolder;
    QString m_enteredFolder;
    bool m_mfmtFirst = false; // the server refused MDTM with a time and took MFMT
};
