#include "engine/ftp/ControlChannel.h"
#include "engine/net/CancelToken.h"
#include "engine/net/TcpTransport.h"

#include <QTest>
#include <memory>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace
{
constexpr int kTimeoutMs = 5000;

// A control channel on one end of a socket pair; a writer thread plays the server on the other end.
class CChannelUnderTest
{
public:
    CChannelUnderTest()
    {
        int fds[2] = {-1, -1};
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
        auto transport = std::make_unique<CTcpTransport>(cancel);
        transport->Adopt(fds[0]);
        channel.Attach(std::move(transport));
        m_peer = fds[1];
    }
    ~CChannelUnderTest()
    {
        channel.Close();
        if (m_writer.joinable())
            m_writer.join();
        close(m_peer);
    }

    // Writes the bytes in pieces of pieceSize (all at once when 0), then closes when asked.
    void Serve(const QByteArray& raw, int pieceSize = 0, bool closeAfter = false)
    {
        m_writer = std::thread(
            [this, raw, pieceSize, closeAfter]
            {
                const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(1, raw.size());
                for (qsizetype at = 0; at < raw.size(); at += step)
                {
                    if (send(m_peer, raw.constData() + at, size_t(qMin(step, raw.size() - at)),
                             MSG_NOSIGNAL) < 0)
                        return;
                    if (pieceSize > 0)
                        usleep(200);
                }
                if (closeAfter)
                    shutdown(m_peer, SHUT_WR);
            });
    }
    QByteArray Sent()
    {
        char block[256];
        const ssize_t got = recv(m_peer, block, sizeof block, MSG_DONTWAIT);
        return got > 0 ? QByteArray(block, got) : QByteArray();
    }

    CCancelToken cancel;
    CControlChannel channel;

private:
    int m_peer = -1;
    std::thread m_writer;
};
} // namespace

class TestControlChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void assemblesReplies_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArrayList>("lines");

        QTest::newRow("CR LF") << QByteArray("220 Ready\r\n") << 220 << QByteArrayList{"220 Ready"};
        QTest::newRow("code alone") << QByteArray("200\r\n") << 200 << QByteArrayList{"200"};
        QTest::newRow("multi-line") << QByteArray("230-Welcome\r\n230-Second\r\n230 Done\r\n") << 230
                                    << QByteArrayList{"230-Welcome", "230-Second", "230 Done"};
        QTest::newRow("multi-line, mixed line ends")
            << QByteArray("220-a\n220-b\r\n220 c\n") << 220 << QByteArrayList{"220-a", "220-b", "220 c"};
        QTest::newRow("inner lines with other codes")
            << QByteArray("211-Features:\r\n MDTM\r\n214 not the end\r\n211-still not\r\n211 End\r\n") << 211
            << QByteArrayList{"211-Features:", " MDTM", "214 not the end", "211-still not", "211 End"};
        QTest::newRow("empty inner line")
            << QByteArray("250-a\r\n\r\n250 b\r\n") << 250 << QByteArrayList{"250-a", "", "250 b"};
        QTest::newRow("empty line before the reply")
            << QByteArray("\r\n220 ok\r\n") << 220 << QByteArrayList{"220 ok"};
        QTest::newRow("UTF-8 text") << QByteArray("257 \"/資料夾\" created\r\n") << 257
                                    << QByteArrayList{"257 \"/資料夾\" created"};
    }
    // Whole, or arriving a byte or seven bytes at a time.
    void assemblesReplies()
    {
        QFETCH(QByteArray, raw);
        QFETCH(int, code);
        QFETCH(QByteArrayList, lines);

        for (const int piece : {0, 1, 7})
        {
            CChannelUnderTest test;
            test.Serve(raw, piece);
            const ReplyResult result = test.channel.ReadReply(kTimeoutMs);
            QVERIFY2(result.io.Ok(), qPrintable(result.io.error));
            QCOMPARE(result.reply.code, code);
            QCOMPARE(result.reply.lines, lines);
            QVERIFY(!test.channel.HasBufferedBytes());
        }
    }

    void refusesBrokenInput_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<IoStatus>("status");

        QTest::newRow("NUL in a reply") << QByteArray("220 Re\0ady\r\n", 12) << false << IoStatus::Protocol;
        QTest::newRow("NUL in a later line")
            << QByteArray("220-a\r\n\0\r\n220 b\r\n", 16) << false << IoStatus::Protocol;
        QTest::newRow("NUL in an unfinished line") << QByteArray("220 a\0", 6) << false << IoStatus::Protocol;
        QByteArray endless = "220-start\r\n";
        while (endless.size() <= CControlChannel::kMaxReplyBytes + 4096)
            endless += "220-more of the same and nothing else\r\n";
        QTest::newRow("endless multi-line reply") << endless << false << IoStatus::Protocol;
        QTest::newRow("endless line")
            << QByteArray(CControlChannel::kMaxReplyBytes + 10, 'x') << false << IoStatus::Protocol;
        QTest::newRow("text where a reply starts")
            << QByteArray("hello\r\n220 ok\r\n") << false << IoStatus::Protocol;
        QTest::newRow("letter inside the code") << QByteArray("2x0 Ready\r\n") << false << IoStatus::Protocol;
        QTest::newRow("closed mid-reply") << QByteArray("220-partial\r\n") << true << IoStatus::Closed;
        QTest::newRow("closed mid-line") << QByteArray("220 parti") << true << IoStatus::Closed;
        QTest::newRow("closed before a byte") << QByteArray() << true << IoStatus::Closed;
    }
    void refusesBrokenInput()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, closeAfter);
        QFETCH(IoStatus, status);

        CChannelUnderTest test;
        test.Serve(raw, 0, closeAfter);
        const ReplyResult result = test.channel.ReadReply(kTimeoutMs);
        QCOMPARE(result.io.status, status);
        QVERIFY(!test.channel.IsOpen());
        QVERIFY(status != IoStatus::Protocol || !result.io.error.isEmpty());
    }

    void refusesCommandsCarryingLineEnds_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("LF") << QByteArray("CWD a\nRMD b");
        QTest::newRow("CR") << QByteArray("CWD a\rb");
        QTest::newRow("NUL") << QByteArray("CWD a\0b", 7);
        // A rewrite by the owner may not smuggle in a second command either.
        QTest::newRow("rewritten") << QByteArray("SYST");
    }
    void refusesCommandsCarryingLineEnds()
    {
        QFETCH(QByteArray, command);
        CChannelUnderTest test;
        QByteArrayList logged;
        test.channel.SetLogHook([&](FtpLogKind, const QByteArray& line) { logged.append(line); });
        test.channel.SetCommandHook(
            [](QByteArray& command)
            {
                if (command == "NOOP" || command == "SYST")
                    command = command == "NOOP" ? "STAT" : "SYST\r\nDELE x";
            });
        QCOMPARE(test.channel.Send(command, kTimeoutMs).status, IoStatus::Protocol);
        QVERIFY(test.channel.IsOpen());
        QVERIFY(test.Sent().isEmpty());
        QVERIFY(test.channel.Send("NOOP", kTimeoutMs).Ok());
        QCOMPARE(test.Sent(), QByteArray("STAT\r\n"));
        QCOMPARE(logged, QByteArrayList{"STAT"});
    }

    // A reply that came with the next one in the same read keeps that one for the next read (a STARTTLS
    // injection check looks at this).
    void logsCommandsAndEveryReplyLine()
    {
        CChannelUnderTest test;
        QList<QPair<FtpLogKind, QByteArray>> log;
        test.channel.SetLogHook([&](FtpLogKind kind, const QByteArray& line) { log.append({kind, line}); });
        test.Serve("331-Password\n331 please\r\n220 next\r\n");
        QCOMPARE(test.channel.Command("USER someone", kTimeoutMs).reply.code, 331);
        QCOMPARE(log, (QList<QPair<FtpLogKind, QByteArray>>{{FtpLogKind::Command, "USER someone"},
                                                            {FtpLogKind::Reply, "331-Password"},
                                                            {FtpLogKind::Reply, "331 please"}}));
        QVERIFY(test.channel.HasBufferedBytes());
        QCOMPARE(test.channel.ReadReply(kTimeoutMs).reply.code, 220);
        QVERIFY(!test.channel.HasBufferedBytes());
    }
};

QTEST_GUILESS_MAIN(TestControlChannel)
#include "tst_ControlChannel.moc"
