// zentrava-sftp-bench: one SFTP download or upload through CSftpClient, for bench/sftp_throughput.sh.
// Usage: zentrava-sftp-bench get|put HOST PORT USER KEYFILE REMOTE LOCAL
// Logs in with the key (no pass phrase) and takes whatever host key the server shows: loopback only.
#include "engine/KeyCertificate.h"
#include "engine/SftpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 8 ||
        (arguments[1] != QLatin1String("get") && arguments[1] != QLatin1String("put")))
    {
        std::fprintf(stderr, "usage: zentrava-sftp-bench get|put HOST PORT USER KEYFILE REMOTE LOCAL\n");
        return 2;
    }
    auto key = std::make_shared<CKeyCertificate>();
    const FtpResult loaded = key->LoadPrivateKey(arguments[5]);
    if (!loaded.Ok())
    {
        std::fprintf(stderr, "%s\n", qPrintable(loaded.message));
        return 1;
    }
    SftpConnectOptions options;
    options.host = arguments[2].toUtf8();
    options.port = quint16(arguments[3].toUInt());
    options.user = arguments[4].toUtf8();
    options.authentication = SftpAuthentication::KeyOnly;
    options.key = key;
    CSftpClient client;
    client.SetHostKeyHook([](const SshHostKey&) { return true; });
    FtpResult result = client.Connect(options);
    QElapsedTimer clock;
    clock.start();
    if (result.Ok())
        result = arguments[1] == QLatin1String("get")
                     ? client.Download(arguments[6].toUtf8(), arguments[7], false)
                     : client.Upload(arguments[7], arguments[6].toUtf8(), FtpUploadMode::Replace);
    if (!result.Ok())
    {
        std::fprintf(stderr, "%s\n", qPrintable(result.message));
        return 1;
    }
    std::fprintf(stderr, "%.3f s\n", double(clock.nsecsElapsed()) / 1e9);
    return 0;
}
