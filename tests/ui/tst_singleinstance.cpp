#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

constexpr int kWaitMs = 5000;

QString UniqueName(const char* tag)
{
    return QStringLiteral("zentrava-test-%1-%2").arg(QLatin1String(tag)).arg(getpid());
}

// The second start runs on its own thread: it blocks until the first one answers.
bool SendFromOtherThread(const QString& name, const QStringList& arguments, QSignalSpy* spy = nullptr)
{
    bool delivered = false;
    std::unique_ptr<QThread> sender(
        QThread::create([&] { delivered = CSingleInstance::SendToRunning(name, arguments, kWaitMs); }));
    sender->start();
    if (spy)
        spy->wait(kWaitMs);
    while (!sender->wait(10))
        QCoreApplication::processEvents();
    return delivered;
}

// A socket file as a crashed program leaves it: bound once, never listened on, never removed.
bool LeaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (fd < 0 || size_t(encoded.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, encoded.constData(), encoded.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handsArgumentsToRunningInstance_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("address") << QStringList{QStringLiteral("ftp://user@127.0.0.1:2121/pub")};
        QTest::newRow("site path") << QStringList{QStringLiteral("工作\\備份主機")};
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("empty and several") << QStringList{QString(), QStringLiteral("sftp://127.0.0.1/")};
    }

    void handsArgumentsToRunningInstance()
    {
        QFETCH(QStringList, arguments);
        CSingleInstance running(UniqueName("handover"));
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);

        QVERIFY(SendFromOtherThread(running.ServerName(), arguments, &received));
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), arguments);
    }

    void noRunningInstanceMeansNoHandOver()
    {
        QVERIFY(!CSingleInstance::SendToRunning(UniqueName("nobody"), {QStringLiteral("x")}, 1000));
        CSingleInstance first(UniqueName("nobody"));
        QVERIFY(first.Listen());
    }

    void secondListenerIsRefusedWhileFirstRuns()
    {
        CSingleInstance first(UniqueName("twice"));
        QVERIFY(first.Listen());
        CSingleInstance second(UniqueName("twice"));
        QVERIFY(!second.Listen());
        // The first one still gets what later starts hand over.
        QSignalSpy received(&first, &CSingleInstance::MessageReceived);
        QVERIFY(SendFromOtherThread(first.ServerName(), {QStringLiteral("a")}, &received));
        QCOMPARE(received.size(), 1);
    }

    void staleSocketFileIsReplaced()
    {
        const QString name = UniqueName("stale");
        const QString path = QDir::temp().filePath(name);
        QFile::remove(path);
        QVERIFY(LeaveStaleSocket(path));
        QVERIFY(QFile::exists(path));

        CSingleInstance running(name);
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);
        QVERIFY(SendFromOtherThread(name, {QStringLiteral("ftp://127.0.0.1/")}, &received));
        QCOMPARE(received.size(), 1);
    }

    void oversizedMessageIsRefused()
    {
        CSingleInstance running(UniqueName("large"));
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);

        const QString huge(int(CSingleInstance::kMessageLimit) + 1, u'a');
        QVERIFY(!SendFromOtherThread(running.ServerName(), {huge}));

        // A peer that claims a huge message is cut off without being read.
        bool answered = true;
        std::unique_ptr<QThread> peer(QThread::create(
            [&]
            {
                QLocalSocket socket;
                socket.connectToServer(running.ServerName());
                if (!socket.waitForConnected(kWaitMs))
                    return;
                QByteArray header(4, '\0');
                qToBigEndian(quint32(CSingleInstance::kMessageLimit + 1), header.data());
                socket.write(header);
                socket.waitForBytesWritten(kWaitMs);
                answered = socket.waitForReadyRead(kWaitMs) && socket.bytesAvailable() > 0;
            }));
        peer->start();
        while (!peer->wait(10))
            QCoreApplication::processEvents();
        QVERIFY(!answered);
        QCOMPARE(received.size(), 0);
    }

    void serverNameDependsOnSettingsHome()
    {
        qputenv("ZENTRAVA_HOME", "/tmp/zentrava-home-a");
        const QString first = CSingleInstance::DefaultServerName();
        qputenv("ZENTRAVA_HOME", "/tmp/zentrava-home-b");
        const QString second = CSingleInstance::DefaultServerName();
        qunsetenv("ZENTRAVA_HOME");
        QVERIFY(first != second);
        const QFileInfo folder(QFileInfo(first).absolutePath());
        QCOMPARE(folder.absoluteFilePath(),
                 QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        QCOMPARE(folder.ownerId(), getuid());
        QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
