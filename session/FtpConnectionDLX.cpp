#include "session/FtpConnectionDLX.h"

#include "sites/ConnectionTargets.h"
#include "common/PumpWait.h"
#include "common/LogLine.h"

namespace
{
// How long an aborted call may take to end.
constexpr int kAbortWaitMs = 5000;
// The component waits this much longer, so that the connection's own wait decides a time-out.
constexpr int kComponentMarginMs = 2000;
} // namespace

CFtpConnectionDLX::CFtpConnectionDLX(QString* trace, QObject* parent) : QObject(parent), m_trace(trace)
{
    connect(&m_ftp, &CFtpComponent::Connected, this, &CFtpConnectionDLX::StoreResult);
    connect(&m_ftp, &CFtpComponent::Done, this, &CFtpConnectionDLX::StoreResult);
    connect(&m_ftp, &CFtpComponent::FTPReply, this,
            [this](const QString&, int code, const QString& reply)
            {
                m_replyText = reply;
                m_replyCode = code;
                m_reply.Set();
            });
    connect(&m_ftp, &CFtpComponent::PreTranslateCommand, this,
            [this](QString& command) { Trace(">> ", MaskedCommandLine(CleanLogLine(command))); });
    connect(&m_ftp, &CFtpComponent::PreTranslateReply, this,
            [this](int, const QString& reply) { Trace("<< ", CleanLogLine(reply)); });
}

CFtpConnectionDLX::~CFtpConnectionDLX()
{
    m_ftp.disconnect(this);
}

bool CFtpConnectionDLX::Connect(const CFtpSite& site)
{
    QString problem;
    m_ftp.SetTarget(SiteTarget(site, m_waitMs + kComponentMarginMs, &problem));
    if (!problem.isEmpty())
        Trace("", problem);
    m_lastError.clear();
    m_done.Reset();
    m_ftp.Connect();
    Wait(m_done);
    if (m_ftp.State() != FtpStateConnected)
    {
        if (m_lastError.isEmpty())
            m_lastError = QStringLiteral("無法連線至 %1： 連線逾時").arg(site.Address);
        return false;
    }
    const QString remote = site.RemotePath.trimmed();
    if (remote.isEmpty())
        return true;
    const QString folder = remote.startsWith(u'/') ? remote : m_ftp.RemoteFolder() + u'/' + remote;
    m_startFolder = CollapseSlashes(folder);
    m_ftp.SetRemoteFolder(m_startFolder);
    return true;
}

bool CFtpConnectionDLX::SendCommand(const QString& command, QString* replyText, int* replyCode)
{
    Trace(">> ", MaskedCommandLine(CleanLogLine(command)));
    m_reply.Reset();
    m_ftp.RawCommand(command + QStringLiteral("\r\n"));
    if (!Wait(m_reply) || m_replyCode == 0)
        return false;
    if (replyText)
        *replyText = m_replyText;
    if (replyCode)
        *replyCode = m_replyCode;
    return true;
}

bool CFtpConnectionDLX::MakeFolder(const QString& path)
{
    m_done.Reset();
    m_ftp.MakeFolder(path);
    return Wait(m_done);
}

bool CFtpConnectionDLX::CheckFolder(const QString& path)
{
    return m_ftp.CheckFolder(path) == 0;
}

void CFtpConnectionDLX::Trace(const char* direction, const QString& line)
{
    if (m_trace)
        *m_trace += QLatin1String(direction) + line + QStringLiteral("\r\n");
}

void CFtpConnectionDLX::StoreResult(int code, const QString& text)
{
    m_resultCode = code;
    m_lastError = text;
    m_done.Set();
}

bool CFtpConnectionDLX::Wait(CEvent& event)
{
    if (PumpWait(event, m_waitMs))
        return true;
    m_ftp.Abort();
    PumpWait(event, kAbortWaitMs);
    // The abort's own text would hide that the wait ran out.
    m_lastError.clear();
    return false;
}
