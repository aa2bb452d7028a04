#include "servers/Harness.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/FtpComponent.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

Q_DECLARE_METATYPE(FtpProtocol)

using namespace TestFiles;

namespace
{
constexpr int kWaitMs = 60000;

// Records the thread of every event a component delivers.
struct EventLog
{
    QList<QThread*> threads;
    QStringList names;

    void Watch(CFtpComponent& ftp)
    {
        const auto seen = [this](const char* name)
        {
            threads.append(QThread::currentThread());
            names.append(QString::fromLatin1(name));
        };
        QObject::connect(&ftp, &CFtpComponent::Connected, &ftp, [=] { seen("Connected"); });
        QObject::connect(&ftp, &CFtpComponent::Done, &ftp, [=] { seen("Done"); });
        QObject::connect(&ftp, &CFtpComponent::StateChange, &ftp, [=] { seen("StateChange"); });
        QObject::connect(&ftp, &CFtpComponent::Disconnected, &ftp, [=] { seen("Disconnected"); });
        QObject::connect(&ftp, &CFtpComponent::Progress, &ftp, [=] { seen("Progress"); });
        QObject::connect(&ftp, &CFtpComponent::ListItems, &ftp, [=] { seen("ListItems"); });
        QObject::connect(&ftp, &CFtpComponent::FTPReply, &ftp, [=] { seen("FTPReply"); });
        QObject::connect(&ftp, &CFtpComponent::PreTranslateReply, &ftp, [=] { seen("PreTranslateReply"); });
        QObject::connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                         [=](QString&) { seen("PreTranslateCommand"); });
    }
};
} // namespace

class TestFtpComponent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }
    void asksTheOwnerBeforeTheLogIn_data();
    void asksTheOwnerBeforeTheLogIn();
    void reportsConnectFailures_data();
    void reportsConnectFailures();
    void deliversEveryEventOnTheCreatingThread();
    void deferredReportsKeepTheirOrder_data();
    void deferredReportsKeepTheirOrder();
    void letsTheOwnerSeeAndChangeCommands();
    void transfersWithThrottledProgress_data();
    void transfersWithThrottledProgress();
    void blockingCallsAndWhatTheyKeep();
    void stopsARunningDownload_data();
    void stopsARunningDownload();
    void destructionEndsAnUnansweredQuestion();

private:
    CTestServer* Server(const QString& kind) { return Harness::Server(kind); }
    // Sets the component up for the server; false (with the test failed) when it did not start.
    bool Configure(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol = FtpProtocol::Ftp);
    bool ConnectBlocking(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol = FtpProtocol::Ftp);
    QString Local(const QString& name) const { return m_local.filePath(name); }

    QTemporaryDir m_local;
};

bool TestFtpComponent::Configure(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol)
{
    CTestServer* server = Harness::Require(kind);
    if (server)
        ftp.SetTarget(ServerTarget(*server, protocol, 20000));
    return server;
}

bool TestFtpComponent::ConnectBlocking(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol)
{
    if (!Configure(ftp, kind, protocol))
        return false;
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    ftp.SetBlocking(true);
    ftp.Connect();
    ftp.SetBlocking(false);
    if (connected.size() != 1 || connected[0][0].toInt() != 0 || ftp.State() != FtpStateConnected)
    {
        const QString text = connected.isEmpty() ? "no Connected event" : connected[0][1].toString();
        QTest::qFail(qPrintable(QStringLiteral("connecting to %1 failed: %2").arg(kind, text)), __FILE__,
                     __LINE__);
        return false;
    }
    return true;
}

void TestFtpComponent::asksTheOwnerBeforeTheLogIn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpProtocol>("protocol");
    QTest::addColumn<bool>("handler");
    QTest::addColumn<bool>("accept");
    QTest::newRow("host key accepted") << "sshd" << FtpProtocol::Sftp << true << true;
    QTest::newRow("host key left unaccepted") << "sshd" << FtpProtocol::Sftp << true << false;
    QTest::newRow("host key without a handler") << "sshd" << FtpProtocol::Sftp << false << false;
    QTest::newRow("certificate accepted") << "vsftpd" << FtpProtocol::ExplicitTls << true << true;
    QTest::newRow("certificate rejected") << "vsftpd" << FtpProtocol::ExplicitTls << true << false;
    QTest::newRow("certificate without a handler") << "vsftpd" << FtpProtocol::ExplicitTls << false << false;
}

// The owner sees the server's host key or (self-signed, so untrusted) certificate on its own thread before
// any password goes out; leaving accept false and having no handler at all both end the connection there.
void TestFtpComponent::asksTheOwnerBeforeTheLogIn()
{
    QFETCH(QString, kind);
    QFETCH(FtpProtocol, protocol);
    QFETCH(bool, handler);
    QFETCH(bool, accept);
    CFtpComponent ftp;
    QVERIFY(Configure(ftp, kind, protocol));
    QStringList asked;
    QStringList passwordsSeen;
    QObject::connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                     [&](QString& command)
                     {
                         if (command.startsWith(QLatin1String("PASS")))
                             passwordsSeen.append(asked.isEmpty() ? "before" : "after");
                     });
    if (handler)
    {
        QObject::connect(&ftp, &CFtpComponent::HostKey, &ftp,
                         [&](const QString& type, const QString& fingerprint, bool& accepted)
                         {
                             QCOMPARE(QThread::currentThread(), this->thread());
                             asked << type + u' ' + fingerprint;
                             accepted = accept;
                         });
        QObject::connect(
            &ftp, &CFtpComponent::HostCertificate, &ftp,
            [&](const ServerCertificate& certificate, int code, const QString& text, bool& accepted)
            {
                QCOMPARE(QThread::currentThread(), this->thread());
                QCOMPARE(code, int(FtpErrorUntrusted));
                QVERIFY(!text.isEmpty());
                QVERIFY(!accepted); // the system's trust store does not vouch for it
                QCOMPARE(certificate.subject, "CN=localhost");
                asked << QString::fromLatin1(certificate.pem.trimmed());
                accepted = accept;
            });
    }
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    ftp.Connect();
    QVERIFY(connected.wait(kWaitMs));
    QCOMPARE(connected[0][0].toInt(), accept ? 0 : int(FtpErrorRejected));
    QCOMPARE(ftp.State(), int(accept ? FtpStateConnected : FtpStateDisconnected));
    QString expected;
    if (protocol == FtpProtocol::Sftp)
    {
        const QList<QByteArray> publicKey = ReadFile(Server(kind)->Value("HOST_KEY")).split(' ');
        const std::optional<SshHostKey> key =
            SshHostKey::FromBlob(QByteArray::fromBase64(publicKey.value(1)));
        QVERIFY(key);
        expected = QString::fromLatin1(key->type + ' ' + key->Fingerprint());
        QCOMPARE(ftp.ServerHostKey().Fingerprint(),
                 handler ? key->Fingerprint() : SshHostKey().Fingerprint());
    }
    else
        expected = QString::fromLatin1(ReadFile(Server(kind)->Value("CERT")).trimmed());
    QCOMPARE(asked, handler ? QStringList{expected} : QStringList());
    QCOMPARE(passwordsSeen, accept && protocol != FtpProtocol::Sftp ? QStringList{"after"} : QStringList());
    if (!accept)
    {
        QVERIFY2(connected[0][1].toString().contains(protocol == FtpProtocol::Sftp ? "主機金鑰" : "憑證"),
                 qPrintable(connected[0][1].toString()));
        return;
    }
    QSignalSpy done(&ftp, &CFtpComponent::Done);
    ftp.List();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(done[0][0].toInt(), 0);
}

void TestFtpComponent::reportsConnectFailures_data()
{
    QTest::addColumn<bool>("wrongPassword");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("wrong password") << true << 530 << "530";
    QTest::newRow("closed port") << false << int(FtpErrorNetwork) << "Connection refused";
}

void TestFtpComponent::reportsConnectFailures()
{
    QFETCH(bool, wrongPassword);
    QFETCH(int, code);
    QFETCH(QString, text);
    CFtpComponent ftp;
    QVERIFY(Configure(ftp, "proftpd"));
    if (wrongPassword)
        ftp.SetPassword("not-the-password");
    else
        ftp.SetPort(1);
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    QSignalSpy states(&ftp, &CFtpComponent::StateChange);
    ftp.Connect();
    QVERIFY(connected.wait(kWaitMs));
    QCOMPARE(connected[0][0].toInt(), code);
    QVERIFY2(connected[0][1].toString().contains(text), qPrintable(connected[0][1].toString()));
    QCOMPARE(ftp.State(), int(FtpStateDisconnected));
    QCOMPARE(states.size(), 0);
}

void TestFtpComponent::deliversEveryEventOnTheCreatingThread()
{
    const QString name = "threads.bin";
    QVERIFY(MakeFile(Local(name), 3 * kMiB + 17, *QRandomGenerator::global()));
    CFtpComponent ftp;
    EventLog log;
    log.Watch(ftp);
    QVERIFY(Configure(ftp, "proftpd"));
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    QSignalSpy done(&ftp, &CFtpComponent::Done);
    QSignalSpy replies(&ftp, &CFtpComponent::FTPReply);

    ftp.Connect();
    // Queued: nothing can have arrived before this thread runs its event loop again.
    QVERIFY(log.names.isEmpty());
    ftp.Upload(Local(name), name);
    ftp.List();
    ftp.RawCommand("SYST\r\n");
    // Disconnect aborts whatever still runs, so it waits for the last queued call to answer.
    QVERIFY(replies.wait(kWaitMs));
    ftp.Disconnect();
    QSignalSpy disconnected(&ftp, &CFtpComponent::Disconnected);
    QVERIFY(disconnected.wait(kWaitMs));

    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected[0][0].toInt(), 0);
    QCOMPARE(done.size(), 2);
    QCOMPARE(done[0][0].toInt(), 0);
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies[0][0].toString(), "SYST");
    QCOMPARE(replies[0][1].toInt(), 215);
    for (const char* event :
         {"PreTranslateCommand", "PreTranslateReply", "StateChange", "Progress", "ListItems"})
        QVERIFY2(log.names.contains(QLatin1String(event)), event);
    QCOMPARE(log.threads.count(QThread::currentThread()), log.threads.size());
    // State changes come before the event that ends the call.
    QVERIFY(log.names.indexOf("StateChange") < log.names.indexOf("Connected"));
    QVERIFY(log.names.lastIndexOf("StateChange") < log.names.indexOf("Disconnected"));
    QCOMPARE(ftp.State(), int(FtpStateDisconnected));
    QCOMPARE(Sha256(Server("proftpd")->Root() + "/" + name), Sha256(Local(name)));
}

void TestFtpComponent::deferredReportsKeepTheirOrder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpProtocol>("protocol");
    QTest::newRow("proftpd") << "proftpd" << FtpProtocol::Ftp;
    QTest::newRow("sshd") << "sshd" << FtpProtocol::Sftp;
}

void TestFtpComponent::deferredReportsKeepTheirOrder()
{
    QFETCH(QString, kind);
    QFETCH(FtpProtocol, protocol);
    const QString name = QStringLiteral("deferred %1.bin").arg(kind);
    QVERIFY(MakeFile(Local(name), 5000, *QRandomGenerator::global()));
    // The same calls with the reports live and deferred: every report arrives, in the same order, and
    // each call's reports before its final event.
    QList<QStringList> runs;
    for (const bool deferred : {false, true})
    {
        CFtpComponent ftp;
        QObject::connect(&ftp, &CFtpComponent::HostKey, &ftp,
                         [](const QString&, const QString&, bool& accept) { accept = true; });
        QVERIFY(ConnectBlocking(ftp, kind, protocol));
        ftp.SetDeferredReports(deferred);
        QCOMPARE(ftp.DeferredReports(), deferred);
        QStringList events;
        QObject::connect(&ftp, &CFtpComponent::CommandSent, &ftp,
                         [&](const QString& command) { events.append("> " + command); });
        QObject::connect(&ftp, &CFtpComponent::PreTranslateReply, &ftp,
                         [&](int, const QString& reply) { events.append("< " + reply); });
        QObject::connect(&ftp, &CFtpComponent::Progress, &ftp,
                         [&](qint64 position, qint64 total)
                         { events.append(QStringLiteral("progress %1/%2").arg(position).arg(total)); });
        QObject::connect(&ftp, &CFtpComponent::Done, &ftp,
                         [&](int code, const QString&)
                         { events.append(QStringLiteral("done %1").arg(code)); });
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        const QString remote =
            protocol == FtpProtocol::Sftp ? Server(kind)->Value("WORKDIR") + u'/' + name : name;
        ftp.Upload(Local(name), remote);
        ftp.Download(Local(name + ".back"), remote);
        ftp.Delete(remote);
        for (int i = 0; i < 3 && done.size() < 3; ++i)
            QVERIFY(done.wait(kWaitMs));
        QCOMPARE(done.size(), 3);
        // Nothing is left held back once the last call has ended.
        QTest::qWait(50);
        QCOMPARE(events.last(), "done 0");
        QCOMPARE(Sha256(Local(name + ".back")), Sha256(Local(name)));
        runs.append(events);
    }
    // Data connection ports differ between the runs; the rest is the same.
    for (QStringList& events : runs)
        events.replaceInStrings(QRegularExpression("\\(.*\\)"), "(...)");
    QCOMPARE(runs[1], runs[0]);
    QVERIFY(runs[0].contains("progress 5000/5000"));
}

void TestFtpComponent::letsTheOwnerSeeAndChangeCommands()
{
    CFtpComponent ftp;
    QVERIFY(Configure(ftp, "proftpd"));
    QStringList seen;
    QObject::connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                     [&](QString& command)
                     {
                         seen.append(command);
                         if (command == QLatin1String("NOOP"))
                             command = "SYST";
                         else if (command == QLatin1String("STAT"))
                             command = "NOOP\r\nDELE x";
                     });
    QSignalSpy replies(&ftp, &CFtpComponent::FTPReply);
    ftp.SetBlocking(true);
    ftp.Connect();
    QCOMPARE(ftp.State(), int(FtpStateConnected));
    // The event carries the real command, so the owner can mask it in its own log.
    QVERIFY(seen.contains("PASS " + Server("proftpd")->Password()));

    ftp.RawCommand("NOOP");
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies[0][1].toInt(), 215);
    // A changed command may not smuggle a second one: it is not sent at all.
    ftp.RawCommand("STAT");
    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies[1][1].toInt(), 0);
    QVERIFY(!replies[1][2].toString().isEmpty());
}

void TestFtpComponent::transfersWithThrottledProgress_data()
{
    QTest::addColumn<bool>("passive");
    QTest::newRow("passive") << true;
    QTest::newRow("active") << false;
}

void TestFtpComponent::transfersWithThrottledProgress()
{
    QFETCH(bool, passive);
    const QString kind = "proftpd";
    const QString name = QStringLiteral("進度 %1.bin").arg(QTest::currentDataTag()).replace(u' ', u'_');
    const qint64 size = 48 * kMiB + 5;
    QVERIFY(MakeFile(Local(name), size, *QRandomGenerator::global()));
    CFtpComponent ftp;
    QVERIFY(ConnectBlocking(ftp, kind));
    // Taken by the next transfers on the connection already up.
    ftp.SetPassive(passive);

    for (const bool upload : {true, false})
    {
        QList<QPair<qint64, qint64>> progress;
        bool doneSeen = false;
        bool progressAfterDone = false;
        const auto onProgress = QObject::connect(&ftp, &CFtpComponent::Progress, &ftp,
                                                 [&](qint64 position, qint64 total)
                                                 {
                                                     progressAfterDone = progressAfterDone || doneSeen;
                                                     progress.append({position, total});
                                                 });
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        const auto onDone = QObject::connect(&ftp, &CFtpComponent::Done, &ftp, [&] { doneSeen = true; });
        QElapsedTimer clock;
        clock.start();
        if (upload)
            ftp.Upload(Local(name), name);
        else
            ftp.Download(Local(name + ".back"), name);
        QVERIFY(done.wait(kWaitMs));
        const qint64 elapsedMs = clock.elapsed();
        QObject::disconnect(onProgress);
        QObject::disconnect(onDone);
        QCOMPARE(done[0][0].toInt(), 0);
        QVERIFY(!progress.isEmpty());
        QVERIFY(!progressAfterDone);
        QCOMPARE(progress.last(), qMakePair(size, size));
        QCOMPARE(progress.count(progress.last()), 1);
        // At most one report per 40 ms of transfer, plus the first and the last.
        QVERIFY2(progress.size() <= elapsedMs / 40 + 2,
                 qPrintable(QStringLiteral("%1 reports in %2 ms").arg(progress.size()).arg(elapsedMs)));
    }
    QCOMPARE(Sha256(Server(kind)->Root() + "/" + name), Sha256(Local(name)));
    QCOMPARE(Sha256(Local(name + ".back")), Sha256(Local(name)));
}

// Blocking calls return finished, with the thread's other events dispatched meanwhile. The component keeps
// the current folder and the items of the last listing; the calls that return values finish before
// returning even without the blocking flag.
void TestFtpComponent::blockingCallsAndWhatTheyKeep()
{
    CFtpComponent ftp;
    QVERIFY(Configure(ftp, "proftpd"));
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    QSignalSpy replies(&ftp, &CFtpComponent::PreTranslateReply);
    QSignalSpy done(&ftp, &CFtpComponent::Done);
    QSignalSpy lines(&ftp, &CFtpComponent::ListItems);
    bool timerFired = false;
    QTimer::singleShot(0, this, [&] { timerFired = true; });
    ftp.SetBlocking(true);
    ftp.Connect();
    QCOMPARE(connected.size(), 1);
    QVERIFY(ftp.State() == FtpStateConnected && !replies.isEmpty() && timerFired);
    const QString root = ftp.RemoteFolder();
    QVERIFY(!root.isEmpty());
    ftp.MakeFolder("tree");
    QCOMPARE(done.size(), 1);
    ftp.MakeFolder("tree");
    QCOMPARE(done.size(), 2);
    QVERIFY(done[1][0].toInt() == 550 && done[1][1].toString().contains("550"));
    QVERIFY(MakeFile(Local("leaf.bin"), 1000, *QRandomGenerator::global()));
    ftp.MakeFolder("tree/有 空格");
    ftp.Upload(Local("leaf.bin"), "tree/a.bin");
    QCOMPARE(done.last()[0].toInt(), 0);

    QCOMPARE(ftp.CheckFolder("tree/有 空格"), 0);
    QCOMPARE(ftp.RemoteFolder(), root);
    QCOMPARE(ftp.CheckFolder("tree/missing"), 550);
    QCOMPARE(ftp.SetRemoteFolder("tree"), 0);
    QVERIFY(ftp.RemoteFolder().endsWith(QLatin1String("/tree")));
    ftp.List();
    QStringList names;
    for (const ListItem& item : ftp.Items())
        names.append(QString::fromUtf8(item.name));
    names.sort();
    QCOMPARE(names, (QStringList{"a.bin", "有 空格"}));
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0][0].toString().contains("有 空格"));
    ftp.DeleteFolderContents("missing");
    QCOMPARE(done.last()[0].toInt(), 550);
    // A failed listing leaves no stale items behind.
    ftp.List("missing");
    QVERIFY(done.last()[0].toInt() != 0 && ftp.Items().empty());
    ftp.SetBlocking(false);
    const QString local = ftp.LocalChecksum(ChecksumKind::Sha1, Local("leaf.bin"));
    QVERIFY(!local.isEmpty());
    QCOMPARE(ftp.RemoteChecksum(ChecksumKind::Sha1, "a.bin"), local);
    QVERIFY(ftp.LocalChecksum(ChecksumKind::Sha1, Local("no such file")).isEmpty());
    ftp.SetBlocking(true);
    ftp.Disconnect();
    QCOMPARE(ftp.State(), int(FtpStateDisconnected));
}

void TestFtpComponent::stopsARunningDownload_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Abort") << "Abort";
    QTest::newRow("AbortAll") << "AbortAll";
    QTest::newRow("destroyed") << "destroyed";
}

// Abort ends the running call; AbortAll also the calls made before it that wait behind it, at once and
// without touching a local file. Calls made afterwards are not touched, and no cancel is left for them.
// Destroying the component ends its I/O thread.
void TestFtpComponent::stopsARunningDownload()
{
    QFETCH(QString, how);
    const QString name = how + ".bin";
    const qint64 size = 4096 * kMiB;
    CTestServer* server = Harness::Require("proftpd");
    QVERIFY(server);
    QVERIFY(MakeSparse(server->Root() + "/" + name, size) && MakeFile(server->Root() + "/small.bin", 1000));
    const QString waiting = Local("waiting.bin");
    QFile::remove(waiting);
    const auto removeCopy = qScopeGuard([&] { QFile::remove(Local(name)); });
    auto owned = std::make_unique<CFtpComponent>();
    QPointer<CFtpComponent> ftp = owned.get();
    QVERIFY(ConnectBlocking(*ftp, "proftpd"));
    QSignalSpy done(ftp, &CFtpComponent::Done);
    QElapsedTimer sinceStop;
    QObject::connect(ftp, &CFtpComponent::Progress, this,
                     [&](qint64 position, qint64)
                     {
                         if (position == 0 || sinceStop.isValid())
                             return;
                         sinceStop.start();
                         if (how == "Abort")
                             ftp->Abort();
                         else if (how == "AbortAll")
                             ftp->AbortAll();
                         else
                             owned.release()->deleteLater();
                     });
    ftp->Download(Local(name), name);
    ftp->Download(waiting, "small.bin");
    if (how == "destroyed")
    {
        QTRY_VERIFY_WITH_TIMEOUT(!ftp, kWaitMs);
        // The I/O thread is gone: the file no longer grows.
        const qint64 written = QFileInfo(Local(name)).size();
        QVERIFY(written < size);
        QTest::qWait(300);
        QCOMPARE(QFileInfo(Local(name)).size(), written);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, kWaitMs);
    qInfo("Done arrived %lld ms after the abort", sinceStop.elapsed());
    QCOMPARE(done[0][0].toInt(), int(FtpErrorCancelled));
    QCOMPARE(done[1][0].toInt(), how == "AbortAll" ? int(FtpErrorCancelled) : 0);
    QCOMPARE(QFile::exists(waiting), how == "Abort");
    QVERIFY(QFileInfo(Local(name)).size() < size);
    QCOMPARE(ftp->State(), int(FtpStateConnected));
    ftp->Abort(); // nothing runs: no effect on what comes next
    ftp->List();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(done[2][0].toInt(), 0);
    QVERIFY(!ftp->Items().empty());
}

void TestFtpComponent::destructionEndsAnUnansweredQuestion()
{
    auto ftp = std::make_unique<CFtpComponent>();
    QVERIFY(Configure(*ftp, "vsftpd"));
    ftp->SetProtocol(FtpProtocol::ExplicitTls);
    bool asked = false;
    QObject::connect(ftp.get(), &CFtpComponent::HostCertificate, this,
                     [&](const ServerCertificate&, int, const QString&, bool&) { asked = true; });
    ftp->Connect();
    // This thread runs no event loop now, so the certificate question stays unanswered.
    QThread::msleep(1000);
    QElapsedTimer clock;
    clock.start();
    ftp.reset();
    // A hang would last the whole answer wait (two minutes); this only checks that none happened.
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    QCoreApplication::processEvents();
    QVERIFY(!asked);
}

QTEST_MAIN(TestFtpComponent)
#include "tst_FtpComponent.moc"
