#pragma once

#include "cli/CliTrustAsker.h"
#include "cli/FtpUrl.h"
#include "cli/ProgressBar.h"
#include "cli/ProxyUrl.h"
#include "engine/FtpComponent.h"

#include <QTextStream>
#include <optional>

struct CliConnectionOptions
{
    QString password;
    bool ascii = false;
    bool active = false;
    bool resume = false;
    CliTrustOptions trust; // servers nothing on record vouches for (a changed host key never)
    QString keyFile;       // SFTP public-key log-in
    QByteArray keyPassphrase;
    bool verbose = false;           // the command and reply log on standard error, passwords masked
    std::optional<CProxyUrl> proxy; // none given: the settings' Proxy section
};

// One connection of zentrava-cli: CFtpComponent in blocking mode, with the terminal's answers to its
// events. Each call returns an empty text on success, else the error text with the server's reply.
class CCliConnection
{
public:
    CCliConnection(const CFtpUrl& url, const CliConnectionOptions& options, QTextStream& err);

    QString Open();
    QString List(const QString& path);
    const std::vector<ListItem>& Items() const { return m_ftp.Items(); }
    QString Download(const QString& remotePath, const QString& localPath);
    QString Upload(const QString& localPath, const QString& remotePath);
    void Close();

private:
    void ConnectEvents();
    void StoreOutcome(int code, const QString& text);
    QString Outcome() const;
    bool Decide(const ServerCertificate& certificate);
    bool DecideHostKey(const SshHostKey& key);

    CliConnectionOptions m_options;
    QTextStream& m_err;
    CCliTrustAsker m_trust;
    CFtpComponent m_ftp;
    CProgressBar m_progress;
    bool m_showProgress = false;
    int m_code = 0;
    QString m_text;
};
