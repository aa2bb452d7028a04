#pragma once

#include "cli/CliSessionUi.h"
#include "cli/FtpUrl.h"
#include "cli/ProxyUrl.h"
#include "session/FtpSession.h"
#include "sites/SiteList.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

// zentrava-cli ls URL, with --password-file FILE, --accept-certificate, --accept-host-key, --trust, --key
// FILE,
// --passphrase-file FILE, --proxy URL, --active and --verbose.
int RunListCommand(const QStringList& words, QTextStream& out, QTextStream& err);

// What ls takes besides the URL.
struct ListOptions
{
    QString password;
    QString keyFile;
    QByteArray keyPassphrase;
    std::optional<CProxyUrl> proxy; // none given: the settings' Proxy section
    bool active = false;
    bool verbose = false;
    CliTrustOptions trust;
};

// One ls: a session connects, lists the URL's folder into its remote list and the rows are printed.
// Errors are the session's error lines; --verbose shows every session log line.
class CListCommand : public IFtpSessionSink
{
public:
    CListCommand(const ListOptions& options, QTextStream& out, QTextStream& err);

    // The exit code.
    int Run(const CFtpUrl& url, const QString& scheme);

    void OnLog(int level, const QString& text) override;
    void OnConnected() override {}
    void OnDisconnected() override {}

    // A session log line for the terminal: command and reply lines marked "> " and "< " after the
    // thread tag, as the terminal has no colours to tell them apart, and a password never shown.
    static QString TerminalLine(int level, const QString& text);
    // "permissions owner group size date name", the columns ls has always printed.
    static QString RowText(const CFtpListItem& item);

private:
    void ApplyOptions(CFtpComponent& ftp);
    void ExplainChangedHostKey(const CFtpUrl& url);
    bool ListFolder(const QString& path);
    void PrintRows();
    void Close();

    ListOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    CCliSessionUi m_ui;
    CSiteList m_sites;
    CFtpSession m_session;
    int m_errors = 0;
    QString m_lastReply;
};
