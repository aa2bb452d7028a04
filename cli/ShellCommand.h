#pragma once

#include "cli/CliSessionUi.h"
#include "session/FtpSession.h"
#include "sites/SiteList.h"

#include <QStringList>
#include <QTextStream>

// zentrava-cli shell TARGET [-b FILE] [-v] [--password-file FILE] [--accept-certificate]
// [--accept-host-key] [--trust]: a session with a saved site (its path) or an address, driven by one command
// per line from the terminal, or from a file ("-" for standard input) where the first failure ends
// the run.
int RunShellCommand(const QStringList& words, QTextStream& out, QTextStream& err);

// One shell: the session, its log on the terminal and the commands.
class CShellCommand : public IFtpSessionSink
{
public:
    CShellCommand(QTextStream& out, QTextStream& err, bool verbose, const CliTrustOptions& trust);

    CCliSessionUi& Ui() { return m_ui; }
    // A saved site's path, else an address with its own user and password when it gives them.
    bool Open(const QString& target, const QString& password);
    // One command line; false when it failed. quit sets IsFinished().
    bool Execute(const QString& line);
    bool IsFinished() const { return m_finished; }
    void Close();

    void OnLog(int level, const QString& text) override;
    void OnConnected() override {}
    void OnDisconnected() override {}

private:
    bool List();
    bool ChangeFolder(const QString& path);
    bool ChangeMode(const QString& mode, const QString& name);
    bool Quote(const QString& command);
    bool Download(const QString& remote, const QString& local);
    bool Upload(const QString& local, const QString& remote);
    bool RunTransfer();
    bool PrintHistory();
    QString Absolute(const QString& path) const;
    bool Usage(const QString& text);

    QTextStream& m_out;
    QTextStream& m_err;
    bool m_verbose;
    bool m_finished = false;
    CCliSessionUi m_ui;
    CSiteList m_sites;
    CFtpSession m_session;
};
