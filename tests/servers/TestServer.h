#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>

// One real server (or proxy) that tests/servers/start.sh runs on 127.0.0.1 with its own ports, config and
// files in a temporary folder; stop.sh ends it again when this object goes away.
// Kinds: proftpd, vsftpd, pyftpdlib, sshd, proftpd-sftp, socks5, socks5-auth, httpproxy, httpproxy-auth.
class CTestServer
{
public:
    explicit CTestServer(const QString& kind);
    ~CTestServer();
    CTestServer(const CTestServer&) = delete;
    CTestServer& operator=(const CTestServer&) = delete;

    // On failure error names the kind and carries what the script said (the server's log).
    bool Start(QString* error);
    // Ends the server and everything it forked; the destructor does the same.
    void Stop();

    // The KEY=VALUE lines start.sh printed: PID, HOST, PORT, TLS_PORT, USER, PASSWORD, ROOT, WORKDIR,
    // CERT, HOST_KEY, KEY_* ... ; empty for a key the kind does not print.
    QString Value(const QString& key) const;
    quint16 Port() const;
    quint16 TlsPort() const;
    QString User() const;
    QString Password() const;
    // The folder on disk that the user's remote "/" maps to.
    QString Root() const;

private:
    QString m_kind;
    QTemporaryDir m_stateDir;
    QHash<QString, QString> m_values;
    bool m_startTried = false;
};
