#include "servers/Harness.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/FtpComponent.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
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
}

class TestFtpComponent : public QObject
{
    Q_OBJECT

    QTemporaryDir m_local;

    static CTestServer* Server(const QString& kind) { return Harness::Server(kind); }
    // Sets the component up for the server; false (with the test failed) when it did not start.
    static bool Configure(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol = FtpProtocol::Ftp)
    {
        CTestServer* server = Harness::Require(kind);
        if (server)
            ftp.SetTarget(ServerTarget(*server, protocol, 20000));
        return server;
    }
    static bool ConnectBlocking(CFtpComponent& ftp, const QString& kind,
                                FtpProtocol protocol = FtpProtocol::Ftp)
    {
        if (!Configure(ftp, kind, protocol))
            return false;
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        ftp.SetBlocking(true);
        ftp.Connect();
        ftp.SetBlocking(false);
        const bool up =
            connected.size() == 1 && connected[0][0].toInt() == 0 && ftp.State() == FtpStateConnected;
        if (!up)
            QTest::qFail(
                qPrintable(kind + ": " + (connected.isEmpty() ? "no event" : connected[0][1].toString())),
                __FILE__, __LINE__);
        return up;
    }
    QString Local(const QString& name) const { return m_local.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }

    void connects_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>(
            "setup"); // "handler", "accept" (a handler that accepts), "password", "port"
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text"); // in the failure's text
        for (const bool sftp : {true, false})
        {
            const char* what = sftp ? "host key" : "certificate";
            const QString kind = sftp ? "sshd" : "vsftpd";
            const FtpProtocol protocol = sftp ? FtpProtocol::Sftp : FtpProtocol::ExplicitTls;
            const QString refused = sftp ? "主機金鑰" : "憑證";
            QTest::addRow("%s accepted", what) << kind << protocol << "accept" << 0 << QString();
            QTest::addRow("%s refused", what)
                << kind << protocol << "handler" << int(FtpErrorRejected) << refused;
            QTest::addRow("%s without a handler", what)
                << kind << protocol << "" << int(FtpErrorRejected) << refused;
        }
        QTest::newRow("wrong password") << "proftpd" << FtpProtocol::Ftp << "password" << 530 << "530";
        QTest::newRow("closed port") << "proftpd" << FtpProtocol::Ftp << "port" << int(FtpErrorNetwork)
                                     << "Connection refused";
    }
    // The owner sees the server's host key or (self-signed, so untrusted) certificate on its own thread
    // before any password goes out; leaving accept false and having no handler both end the connection. A
    // connection that fails leaves the state as it was.
    void connects()
    {
        QFETCH(QString, kind);
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, setup);
        QFETCH(int, code);
        QFETCH(QString, text);
        CFtpComponent ftp;
        QVERIFY(Configure(ftp, kind, protocol));
        if (setup == "password")
            ftp.SetPassword("not-the-password");
        else if (setup == "port")
            ftp.SetPort(1);
        const bool handler = setup == "handler" || setup == "accept";
        QStringList asked;
        QStringList passwordsSeen;
        connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                [&](QString& command)
                {
                    if (command.startsWith(QLatin1String("PASS")))
                        passwordsSeen.append(asked.isEmpty() ? "before" : "after");
                });
        if (handler)
        {
            connect(&ftp, &CFtpComponent::HostKey, &ftp,
                    [&](const QString& type, const QString& fingerprint, bool& accepted)
                    {
                        QCOMPARE(QThread::currentThread(), thread());
                        asked << type + u' ' + fingerprint;
                        accepted = setup == "accept";
                    });
            connect(&ftp, &CFtpComponent::HostCertificate, &ftp,
                    [&](const ServerCertificate& certificate, int code, const QString& text, bool& accepted)
                    {
                        QCOMPARE(QThread::currentThread(), thread());
                        QCOMPARE(code, int(FtpErrorUntrusted));
                        QVERIFY(!text.isEmpty() && !accepted);
                        QCOMPARE(certificate.pem, ReadFile(Server(kind)->Value("CERT")));
                        asked << certificate.subject;
                        accepted = setup == "accept";
                    });
        }
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy states(&ftp, &CFtpComponent::StateChange);
        ftp.Connect();
        QVERIFY(connected.wait(kWaitMs));
        QCOMPARE(connected[0][0].toInt(), code);
        QVERIFY2(connected[0][1].toString().contains(text), qPrintable(connected[0][1].toString()));
        QCOMPARE(ftp.State(), int(code == 0 ? FtpStateConnected : FtpStateDisconnected));
        QCOMPARE(asked.size(), handler ? 1 : 0);
        // The key is kept only where a handler saw it, and it is the one the handler was shown.
        if (protocol == FtpProtocol::Sftp)
            QCOMPARE(ftp.ServerHostKey().Fingerprint() == SshHostKey().Fingerprint(), !handler);
        if (protocol == FtpProtocol::Sftp && handler)
            QCOMPARE(asked[0],
                     QString::fromLatin1(ftp.ServerHostKey().type + ' ' + ftp.ServerHostKey().Fingerprint()));
        const bool passwordSent =
            code != int(FtpErrorRejected) && protocol != FtpProtocol::Sftp && setup != "port";
        QCOMPARE(passwordsSeen, passwordSent ? QStringList{handler ? "after" : "before"} : QStringList());
        if (code != 0)
        {
            QCOMPARE(states.size(), 0);
            return;
        }
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        ftp.List();
        QVERIFY(done.wait(kWaitMs));
        QCOMPARE(done[0][0].toInt(), 0);
    }

    // Every event arrives on the creating thread, state changes before the event that ends the call, and
    // progress at most once per 40 ms besides the first and the last, which comes once, before Done. The
    // owner sees the real commands (to mask the password itself) and may change them, but a change may not
    // smuggle in a second command: then nothing is sent. Active mode is taken on the connection already up.
    void deliversEveryEventOnTheCreatingThread()
    {
        QVERIFY(MakeFile(Local("threads.bin"), 3 * kMiB + 17, *QRandomGenerator::global()));
        CFtpComponent ftp;
        QList<QThread*> threads;
        QStringList names;
        QStringList commands;
        const auto watch = [&](auto signal, const char* name)
        {
            connect(&ftp, signal, &ftp,
                    [&, name]
                    {
                        threads.append(QThread::currentThread());
                        names.append(QString::fromLatin1(name));
                    });
        };
        watch(&CFtpComponent::Connected, "Connected");
        watch(&CFtpComponent::Done, "Done");
        watch(&CFtpComponent::StateChange, "StateChange");
        watch(&CFtpComponent::Disconnected, "Disconnected");
        watch(&CFtpComponent::Progress, "Progress");
        watch(&CFtpComponent::ListItems, "ListItems");
        watch(&CFtpComponent::FTPReply, "FTPReply");
        watch(&CFtpComponent::PreTranslateReply, "PreTranslateReply");
        connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                [&](QString& command)
                {
                    threads.append(QThread::currentThread());
                    commands.append(command);
                    if (command == QLatin1String("NOOP") || command == QLatin1String("STAT"))
                        command = command == QLatin1String("NOOP") ? "SYST" : "NOOP\r\nDELE x";
                });
        QVERIFY(Configure(ftp, "proftpd"));
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        QSignalSpy replies(&ftp, &CFtpComponent::FTPReply);
        QList<qint64> progress;
        connect(&ftp, &CFtpComponent::Progress, &ftp,
                [&](qint64 at, qint64) { progress << (done.isEmpty() ? at : -1); });
        QElapsedTimer clock;
        clock.start();

        ftp.Connect();
        // Queued: nothing can have arrived before this thread runs its event loop again.
        QVERIFY(names.isEmpty());
        ftp.SetPassive(false);
        ftp.Upload(Local("threads.bin"), "threads.bin");
        ftp.List();
        ftp.RawCommand("NOOP");
        ftp.RawCommand("STAT");
        // Disconnect aborts whatever still runs, so it waits for the last queued call to answer.
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 2, kWaitMs);
        ftp.Disconnect();
        QSignalSpy disconnected(&ftp, &CFtpComponent::Disconnected);
        QVERIFY(disconnected.wait(kWaitMs));

        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected[0][0].toInt(), 0);
        QCOMPARE(done.size(), 2);
        QCOMPARE(done[0][0].toInt(), 0);
        QCOMPARE(progress.last(), 3 * kMiB + 17);
        QCOMPARE(progress.count(progress.last()), 1);
        QVERIFY2(progress.size() <= clock.elapsed() / 40 + 2, qPrintable(QString::number(progress.size())));
        QVERIFY(!commands.filter(QRegularExpression("^EPRT ")).isEmpty());
        QCOMPARE(replies[0][0].toString(), "NOOP");
        QCOMPARE(replies[0][1].toInt(), 215);
        QCOMPARE(replies[1][1].toInt(), 0);
        QVERIFY(!replies[1][2].toString().isEmpty());
        QVERIFY(commands.contains("PASS " + Server("proftpd")->Password()));
        for (const char* event : {"PreTranslateReply", "StateChange", "Progress", "ListItems"})
            QVERIFY2(names.contains(QLatin1String(event)), event);
        QCOMPARE(threads.count(QThread::currentThread()), threads.size());
        QVERIFY(names.indexOf("StateChange") < names.indexOf("Connected"));
        QVERIFY(names.lastIndexOf("StateChange") < names.indexOf("Disconnected"));
        QCOMPARE(ftp.State(), int(FtpStateDisconnected));
        QCOMPARE(Sha256(Server("proftpd")->Root() + "/threads.bin"), Sha256(Local("threads.bin")));
    }

    void deferredReportsKeepTheirOrder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::newRow("proftpd") << "proftpd" << FtpProtocol::Ftp;
        QTest::newRow("sshd") << "sshd" << FtpProtocol::Sftp;
    }
    // The same calls with the reports live and deferred: every report arrives, in the same order, and each
    // call's reports before its final event.
    void deferredReportsKeepTheirOrder()
    {
        QFETCH(QString, kind);
        QFETCH(FtpProtocol, protocol);
        const QString name = QStringLiteral("deferred %1.bin").arg(kind);
        QVERIFY(MakeFile(Local(name), 5000, *QRandomGenerator::global()));
        QList<QStringList> runs;
        for (const bool deferred : {false, true})
        {
            CFtpComponent ftp;
            connect(&ftp, &CFtpComponent::HostKey, &ftp,
                    [](const QString&, const QString&, bool& ok) { ok = true; });
            QVERIFY(ConnectBlocking(ftp, kind, protocol));
            ftp.SetDeferredReports(deferred);
            QStringList events;
            connect(&ftp, &CFtpComponent::CommandSent, &ftp,
                    [&](const QString& command) { events << "> " + command; });
            connect(&ftp, &CFtpComponent::PreTranslateReply, &ftp,
                    [&](int, const QString& reply) { events << "< " + reply; });
            connect(&ftp, &CFtpComponent::Progress, &ftp,
                    [&](qint64 at, qint64 total)
                    { events << QStringLiteral("progress %1/%2").arg(at).arg(total); });
            connect(&ftp, &CFtpComponent::Done, &ftp,
                    [&](int code, const QString&) { events << QStringLiteral("done %1").arg(code); });
            QSignalSpy done(&ftp, &CFtpComponent::Done);
            const QString remote =
                protocol == FtpProtocol::Sftp ? Server(kind)->Value("WORKDIR") + u'/' + name : name;
            ftp.Upload(Local(name), remote);
            ftp.Download(Local(name + ".back"), remote);
            ftp.Delete(remote);
            QTRY_COMPARE_WITH_TIMEOUT(done.size(), 3, kWaitMs);
            // Nothing is left held back once the last call has ended.
            QTest::qWait(50);
            QCOMPARE(events.last(), "done 0");
            QCOMPARE(Sha256(Local(name + ".back")), Sha256(Local(name)));
            // Data connection ports differ between the runs; the rest is the same.
            runs.append(events.replaceInStrings(QRegularExpression("\\(.*\\)"), "(...)"));
        }
        QCOMPARE(runs[1], runs[0]);
        QVERIFY(runs[0].contains("progress 5000/5000"));
    }

    // Blocking calls return finished, with the thread's other events dispatched meanwhile. The component
    // keeps the current folder and the items of the last listing; the calls that return values finish before
    // returning even without the blocking flag.
    void blockingCallsAndWhatTheyKeep()
    {
        CFtpComponent ftp;
        QVERIFY(Configure(ftp, "proftpd"));
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        QSignalSpy lines(&ftp, &CFtpComponent::ListItems);
        bool timerFired = false;
        QTimer::singleShot(0, this, [&] { timerFired = true; });
        ftp.SetBlocking(true);
        ftp.Connect();
        QVERIFY(connected.size() == 1 && ftp.State() == FtpStateConnected && timerFired);
        const QString root = ftp.RemoteFolder();
        QVERIFY(!root.isEmpty());
        ftp.MakeFolder("tree");
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

    void stopsARunningDownload_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Abort") << "Abort";
        QTest::newRow("AbortAll") << "AbortAll";
        QTest::newRow("destroyed") << "destroyed";
    }
    // Abort ends the running call; AbortAll also the calls made before it that wait behind it, at once and
    // without touching a local file. Calls made afterwards are not touched, and no cancel is left for them.
    // Destroying the component ends its I/O thread.
    void stopsARunningDownload()
    {
        QFETCH(QString, how);
        const QString name = how + ".bin";
        const qint64 size = 4096 * kMiB;
        CTestServer* server = Harness::Require("proftpd");
        QVERIFY(server);
        QVERIFY(MakeSparse(server->Root() + "/" + name, size) &&
                MakeFile(server->Root() + "/small.bin", 1000));
        const QString waiting = Local("waiting.bin");
        QFile::remove(waiting);
        auto owned = std::make_unique<CFtpComponent>();
        QPointer<CFtpComponent> ftp = owned.get();
        QVERIFY(ConnectBlocking(*ftp, "proftpd"));
        QSignalSpy done(ftp, &CFtpComponent::Done);
        bool stopped = false;
        connect(ftp, &CFtpComponent::Progress, this,
                [&](qint64 position, qint64)
                {
                    if (position == 0 || std::exchange(stopped, true))
                        return;
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
            QFile::remove(Local(name));
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, kWaitMs);
        QCOMPARE(done[0][0].toInt(), int(FtpErrorCancelled));
        QCOMPARE(done[1][0].toInt(), how == "AbortAll" ? int(FtpErrorCancelled) : 0);
        QCOMPARE(QFile::exists(waiting), how == "Abort");
        QVERIFY(QFileInfo(Local(name)).size() < size);
        QFile::remove(Local(name));
        QCOMPARE(ftp->State(), int(FtpStateConnected));
        ftp->Abort(); // nothing runs: no effect on what comes next
        ftp->List();
        QVERIFY(done.wait(kWaitMs));
        QCOMPARE(done[2][0].toInt(), 0);
        QVERIFY(!ftp->Items().empty());
    }

    void destructionEndsAnUnansweredQuestion()
    {
        auto ftp = std::make_unique<CFtpComponent>();
        QVERIFY(Configure(*ftp, "vsftpd", FtpProtocol::ExplicitTls));
        bool asked = false;
        connect(ftp.get(), &CFtpComponent::HostCertificate, this,
                [&](const ServerCertificate&, int, const QString&, bool&) { asked = true; });
        ftp->Connect();
        // This thread runs no event loop now, so the certificate question stays unanswered.
        QThread::msleep(1000);
        QElapsedTimer clock;
        clock.start();
        ftp.reset();
        // A hang would last the whole answer wait (two minutes).
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QCoreApplication::processEvents();
        QVERIFY(!asked);
    }
};

QTEST_MAIN(TestFtpComponent)
#include "tst_FtpComponent.moc"
