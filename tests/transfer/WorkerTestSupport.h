#pragma once

#include "RulesTestSupport.h"
#include "servers/TestServer.h"
#include "support/TestFiles.h"

#include "transfer/DownloadThread.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferRequester.h"
#include "transfer/UploadThread.h"
#include "transfer/WorkerFactory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QTest>

namespace WorkerTest
{
using namespace TestFiles;

// A job for the server; an FTPS server's certificate or an SFTP server's host key is the caller's to trust.
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

// Every file and folder below root, relative and sorted, folders with a trailing "/", each file with its
// SHA-256.
inline QStringList TreeOf(const QString& root)
{
    QStringList tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        const QFileInfo info = it.nextFileInfo();
        const QString name = QDir(root).relativeFilePath(info.filePath());
        tree << (info.isDir() ? name + u'/' : name + u' ' + QString::fromLatin1(Sha256(info.filePath())));
    }
    tree.sort();
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
