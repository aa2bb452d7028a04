#include "engine/net/CancelToken.h"
#include "engine/net/SocketAddress.h"
#include "engine/net/TcpListener.h"
#include "engine/net/TcpTransport.h"
#include "engine/net/TlsContext.h"
#include "engine/net/TlsTransport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <openssl/ssl.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <thread>

namespace
{
// Counts the ClientHellos a server receives: two in one handshake mean the server asked for another
// key share (a HelloRetryRequest), a round trip lost.
void CountHellos(int write, int, int contentType, const void* buffer, size_t length, SSL*, void* counter)
{
    constexpr int kHandshake = 22;
    constexpr unsigned char kClientHello = 1;
    if (!write && contentType == kHandshake && length > 0 &&
        static_cast<const unsigned char*>(buffer)[0] == kClientHello)
        ++*static_cast<std::atomic<int>*>(counter);
}
} // namespace

class TestTransferTlsHandshakes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Data connections follow the group the server chose for the control connection, so a server that
    // takes P-256 only (as vsftpd does) answers each of them at the first hello.
    void laterHandshakesOfferTheServersGroup()
    {
        // The server's close_notify may meet a socket the client has closed already.
        signal(SIGPIPE, SIG_IGN);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString key = dir.filePath(QStringLiteral("key.pem"));
        const QString cert = dir.filePath(QStringLiteral("cert.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                       "-subj", "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out", cert});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);

        std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> server(SSL_CTX_new(TLS_server_method()),
                                                                 SSL_CTX_free);
        QVERIFY(SSL_CTX_use_certificate_file(server.get(), cert.toUtf8().constData(), SSL_FILETYPE_PEM) == 1);
        QVERIFY(SSL_CTX_use_PrivateKey_file(server.get(), key.toUtf8().constData(), SSL_FILETYPE_PEM) == 1);
        QVERIFY(SSL_CTX_set1_groups_list(server.get(), "P-256") == 1);
        std::atomic<int> hellos{0};
        SSL_CTX_set_msg_callback(server.get(), CountHellos);
        SSL_CTX_set_msg_callback_arg(server.get(), &hellos);

        CCancelToken cancel;
        CTcpListener listener(cancel);
        QVERIFY(listener.Listen(CSocketAddress::FromNumeric("127.0.0.1", 0)).Ok());
        std::jthread serving(
            [&]
            {
                for (int i = 0; i < 2; ++i)
                {
                    CTcpTransport accepted(cancel);
                    if (!listener.Accept(10000, accepted).Ok())
                        return;
                    fcntl(accepted.Fd(), F_SETFL, fcntl(accepted.Fd(), F_GETFL) & ~O_NONBLOCK);
                    SSL* ssl = SSL_new(server.get());
                    SSL_set_fd(ssl, accepted.Fd());
                    if (SSL_accept(ssl) == 1)
                        SSL_shutdown(ssl);
                    SSL_free(ssl);
                }
            });

        // A failed check returns early: the server thread is told to stop and joined on the way out.
        const std::shared_ptr<void> stop(nullptr, [&cancel](void*) { cancel.Cancel(); });

        CTlsContext context;
        QVERIFY(context.Setup({}, {}, {}).Ok());
        QList<int> perHandshake;
        for (int i = 0; i < 2; ++i)
        {
            const int before = hellos.load();
            auto tcp = std::make_unique<CTcpTransport>(cancel);
            QVERIFY(tcp->Connect("127.0.0.1", listener.Port(), 10000).Ok());
            CTlsTransport tls(std::move(tcp), context, cancel);
            const IoResult shaken = tls.Handshake("127.0.0.1", false, 10000);
            QVERIFY2(shaken.Ok(), qPrintable(shaken.error));
            perHandshake.append(hellos.load() - before);
        }
        serving.join();
        QCOMPARE(context.ChosenGroup(), NID_X9_62_prime256v1);
        // The first handshake cannot know the server's choice; the second must not need a retry.
        QCOMPARE(perHandshake, (QList<int>{2, 1}));
    }
};

QTEST_GUILESS_MAIN(TestTransferTlsHandshakes)
#include "tst_transfer_tls_handshakes.moc"
