#pragma once

#include "RulesTestSupport.h"
#include "servers/TestServer.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "engine/keys/KnownHosts.h"
#include "security/TrustedCertificates.h"
#include "transfer/DownloadThread.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferRequester.h"
#include "transfer/UploadThread.h"
#include "transfer/WorkerFactory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

// What a worker reported from start to end.
class CWorkerRun : public QObject
{
public:
    QStringList statuses; // the non-empty status words in order
    QList<CTransferEntry> relayed;
    bool done = false;
    bool success = false;

    explicit CWorkerRun(CTransferWorker& worker) : m_worker(worker)
    {
        connect(&worker, &CTransferWorker::Status, this,
                [this](CTransferWorker*, const QString&, const QString& status, const QString&)
                {
                    if (!status.isEmpty())
                        statuses.append(status);
                });
        connect(&worker, &CTransferWorker::Relay, this,
                [this](CTransferWorker*, const CTransferEntry& entry) { relayed.append(entry); });
        connect(&worker, &CTransferWorker::Done, this,
                [this](CTransferWorker*, bool ok)
                {
                    done = true;
                    success = ok;
                });
    }

    // The final message for QVERIFY2; the whole trace goes to the test log, which does not cut it short.
    QString Explain() const
    {
        qWarning().noquote() << m_worker.Details();
        return m_worker.FinalMessage();
    }

private:
    CTransferWorker& m_worker;
};

namespace WorkerTest
{
using namespace TestFiles;

// A job for the server; the worker trusts its certificate or host key as a user who accepted it would.
inline CTransferJob JobFor(CTestServer& server, const QString& kind, bool tls, const QString& remoteFolder)
{
    CTransferJob job;
    job.host = QStringLiteral("127.0.0.1");
    job.port = server.Port();
    job.login = server.User();
    job.password = server.Password();
    const bool sftp = kind == QLatin1String("sshd") || kind == QLatin1String("proftpd-sftp");
    job.protocolType = sftp  ? CFtpSite::ProtocolSftp
                       : tls ? CFtpSite::ProtocolExplicitTls
                             : CFtpSite::ProtocolFtp;
    job.passive = true;
    job.remoteFolder = remoteFolder;
    if (job.protocolType == CFtpSite::ProtocolExplicitTls)
    {
        CTrustedCertificates store;
        store.Load();
        const QByteArray pem = ReadFile(server.Value(QStringLiteral("CERT")));
        if (!store.Contains(pem))
            store.Add(pem);
    }
    if (job.protocolType == CFtpSite::ProtocolSftp)
    {
        const QByteArray blob =
            QByteArray::fromBase64(ReadFile(server.Value(QStringLiteral("HOST_KEY"))).split(' ').value(1));
        CKnownHosts known(CDataFolder::FilePath(QStringLiteral("known_hosts")));
        known.Load();
        if (const auto key = SshHostKey::FromBlob(blob))
            known.Add("127.0.0.1", server.Port(), *key);
    }
    return job;
}

inline QString Disk(CTestServer& server, const QString& remotePath)
{
    return QDir::cleanPath(server.Root() + u'/' + remotePath);
}

inline CTransferEntry Entry(const QString& name, qint64 size = 0, bool folder = false)
{
    return {name, folder ? kAttributeFolder : 0u, size, {}};
}

// Every file and folder below root, relative, folders with a trailing "/", with each file's SHA-256.
inline QStringList TreeOf(const QString& root)
{
    QStringList tree;
    QDir dir(root);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
    {
        if (info.isDir())
        {
            tree << info.fileName() + u'/';
            for (const QString& below : TreeOf(info.filePath()))
                tree << info.fileName() + u'/' + below;
        }
        else
        {
            tree << info.fileName() + u' ' + QString::fromLatin1(Sha256(info.filePath()));
        }
    }
    return tree;
}

// A small tree: files at two levels, an empty folder, a name with spaces and CJK.
inline bool MakeTree(const QString& root)
{
    QDir dir(root);
    return dir.mkpath(QStringLiteral("sub/深 層")) && dir.mkpath(QStringLiteral("empty")) &&
           MakeFile(root + QStringLiteral("/top.bin"), 300000) &&
           MakeFile(root + QStringLiteral("/sub/mid file.dat"), 70001) &&
           MakeFile(root + QStringLiteral("/sub/深 層/底.txt"), 513) &&
           MakeFile(root + QStringLiteral("/sub/zero"), 0);
}

// Collects the done lines a queue sends to the window that queued the job.
class CRequester final : public QObject, public ITransferRequester
{
public:
    QStringList done;
    QStringList failed;

    void OnTransferLog(const QString&) override {}
    void OnTransferDone(int level, const QString& line) override
    {
        (level == 1 ? done : failed).append(line);
    }
    void OnTransferRelay(const CTransferEntry&) override {}
    qsizetype Ended() const { return done.size() + failed.size(); }
};

// Runs the event loop until condition holds or the time is up; the result is the condition's.
template <typename Condition> bool WaitUntil(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}
} // namespace WorkerTest
