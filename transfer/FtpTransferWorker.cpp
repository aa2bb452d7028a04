#include "transfer/FtpTransferWorker.h"

#include "app/Profile.h"
#include "security/TrustPolicy.h"
#include "common/PumpWait.h"
#include "common/LogLine.h"
#include "transfer/TransferProgressPlain.h"

#include <QDeadlineTimer>
#include <limits>

namespace
{
// Waits that only the engine's own time-outs bound.
constexpr int kNoLimit = std::numeric_limits<int>::max();
// After an abort the calls still end with their final events; this long at most is waited for them.
constexpr int kAbortSettleMs = 30000;

// The integrity check the store asks for, if any.
std::optional<ChecksumKind> StoredChecksumKind()
{
    if (GetProfileInt(QStringLiteral("Settings"), QStringLiteral("EnableCRC")) == 0)
        return std::nullopt;
    switch (GetProfileInt(QStringLiteral("Settings"), QStringLiteral("TypeCRC")))
    {
    case 1:
        return ChecksumKind::Md5;
    case 2:
        return ChecksumKind::Sha1;
    default:
        return ChecksumKind::Crc32;
    }
}
} // namespace

CFtpTransferWorker::CFtpTransferWorker(Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                                       IOverwritePrompts& prompts, TransferProgressMaker makeProgress)
    : CTransferWorker(kind, job, settings), m_prompts(prompts), m_makeProgress(std::move(makeProgress))
{
}

void CFtpTransferWorker::Transfer()
{
    if (IsCancelled())
    {
        SetOutcome(true, CancelledMessage());
        return;
    }
    ReportStatus({}, QStringLiteral("初始化"));
    // Read once for the job rather than once a file.
    m_checksum = Settings().overrides.checksum ? Settings().overrides.checksum : StoredChecksumKind();
    MakeProgressWindow();
    m_ftp = std::make_unique<CFtpComponent>();
    // The job's trace is read when its details are opened, not line by line: one wake-up per file.
    m_ftp->SetDeferredReports(true);
    HookEvents();
    const CWorkerStep step = RunGuarded();
    Disconnect();
    m_ftp.reset();
    m_progress.reset();
    if (step.result == CWorkerStep::Result::Failed)
    {
        const QString message = CleanLogLine(step.message);
        SetOutcome(false, message.isEmpty() ? QStringLiteral("傳送失敗") : message);
        return;
    }
    SetOutcome(true, IsCancelled() ? CancelledMessage() : CompletedMessage());
}

void CFtpTransferWorker::MakeProgressWindow()
{
    if (m_makeProgress)
        m_progress = m_makeProgress(*this);
    else
        m_progress = std::make_unique<CTransferProgressPlain>();
    if (m_progress)
        return;
    // The job does not need a window to run; it only goes unseen.
    Note(QStringLiteral("無法建立進度視窗，傳送照常進行"));
    m_progress = std::make_unique<CTransferProgressPlain>();
}

CWorkerStep CFtpTransferWorker::RunGuarded()
{
    const CWorkerStep checked = CheckJob();
    if (!checked.IsOk())
        return checked;
    const CWorkerStep connected = ConnectWithAttempts();
    if (!connected.IsOk())
        return connected;
    const CWorkerStep step = RunJob();
    // A job that ends early leaves nothing of itself running on the connection.
    if (m_outstanding > 0)
        AbortOutstanding();
    if (step.result != CWorkerStep::Result::Failed)
    {
        Progress().SetLine1(QStringLiteral("中斷 %1 的連線").arg(Job().host));
        m_lastPercent = 0;
        ReportStatus({}, QStringLiteral("完成"));
    }
    return step;
}

void CFtpTransferWorker::HookEvents()
{
    CFtpComponent* ftp = m_ftp.get();
    const auto finished = [this](int code, const QString& text)
    {
        m_lastCode = code;
        m_lastError = text;
        m_outcomes.push_back({code, text, m_progressSinceOutcome});
        m_progressSinceOutcome = false;
        m_done.Set();
    };
    connect(ftp, &CFtpComponent::Connected, ftp, finished);
    connect(ftp, &CFtpComponent::Done, ftp, finished);
    connect(ftp, &CFtpComponent::Progress, ftp,
            [this](qint64 position, qint64 total)
            {
                m_progressSinceOutcome = true;
                ReportProgress(position, total);
            });
    connect(ftp, &CFtpComponent::FTPReply, ftp,
            [this](const QString& command, int code, const QString& reply)
            {
                m_lastReply = {true, code, reply};
                m_lastReplyCommand = command;
                m_reply.Set();
            });
    // Only watched, never changed: the I/O thread goes on without waiting for this thread.
    connect(ftp, &CFtpComponent::CommandSent, ftp,
            [this](const QString& command)
            { Trace(QStringLiteral("> "), MaskedCommandLine(CleanLogLine(command))); });
    connect(ftp, &CFtpComponent::PreTranslateReply, ftp,
            [this](int, const QString& reply) { Trace(QStringLiteral("< "), CleanLogLine(reply)); });
    connect(ftp, &CFtpComponent::HostCertificate, ftp,
            [this](const ServerCertificate& certificate, int, const QString&, bool& accept)
            { accept = AcceptCertificate(certificate); });
    connect(ftp, &CFtpComponent::HostKey, ftp,
            [this](const QString&, const QString&, bool& accept) { accept = AcceptHostKey(); });
}

CWorkerStep CFtpTransferWorker::ConnectWithAttempts()
{
    Progress().SetPosition(0);
    Progress().SetLine2({});
    ReportStatus({}, QStringLiteral("連線中"));
    const CTransferJob& job = Job();
    for (int attempt = 1; attempt <= job.attempts; ++attempt)
    {
        Progress().SetLine1(
            QStringLiteral("連線到 %1 (第 %2 / %3 次)").arg(job.host).arg(attempt).arg(job.attempts));
        ConfigureConnection();
        StartCall([this] { m_ftp->Connect(); });
        const CWorkerStep step = WaitForDone(Settings().connectionTimeoutMs);
        if (step.result == CWorkerStep::Result::Cancelled)
            return step;
        if (m_ftp->State() == FtpStateConnected)
            break;
        if (m_lastError.isEmpty())
            m_lastError = QStringLiteral("無法連線至 %1： 連線逾時").arg(job.host);
        if (attempt == job.attempts || m_ftp->LogInRefused())
            return CWorkerStep::Failed(m_lastError);
        Progress().SetLine1(
            QStringLiteral("無法連線至 %1  (第 %2 / %3 次)").arg(job.host).arg(attempt).arg(job.attempts));
        Progress().SetLine2(QStringLiteral(" %1 秒後重試...").arg(job.retryDelay));
        if (PumpWait(CancelEvent(), qMax(job.retryDelay, 0) * 1000) == 1)
            return CWorkerStep::Failed(m_lastError);
        ReportStatus({}, QStringLiteral("重試中"));
        Progress().SetLine2({});
    }
    if (!job.remoteFolder.isEmpty() && m_ftp->State() == FtpStateConnected)
        m_ftp->SetRemoteFolder(job.remoteFolder);
    m_remoteFolder = job.remoteFolder.isEmpty() ? m_ftp->RemoteFolder() : job.remoteFolder;
    Progress().SetLine1(QStringLiteral("正在尋找子資料夾中的檔案..."));
    return CWorkerStep::Ok();
}

void CFtpTransferWorker::ConfigureConnection()
{
    QString problem;
    m_ftp->SetTarget(JobTarget(Job(), Settings().connectionTimeoutMs, &problem));
    if (!problem.isEmpty())
        Note(problem);
}

void CFtpTransferWorker::StartCall(const std::function<void()>& call)
{
    // With nothing outstanding, whatever came in belongs to blocking calls, which have their answers.
    if (m_outstanding == 0)
    {
        m_outcomes.clear();
        m_done.Reset();
    }
    ++m_outstanding;
    call();
}

CWorkerStep CFtpTransferWorker::WaitForDone(int timeoutMs)
{
    const int which = m_outcomes.empty() ? PumpWaitEither(m_done, CancelEvent(), timeoutMs) : 1;
    if (which == 1)
    {
        TakeOutcome();
        if (m_lastCode == 0)
            return CWorkerStep::Ok();
        return CWorkerStep::Failed(m_lastError.isEmpty() ? QStringLiteral("錯誤 %1").arg(m_lastCode)
                                                         : m_lastError);
    }
    // The calls still end with their final events; waiting for them keeps them from ending a later wait.
    AbortOutstanding();
    if (which == 2)
        return CWorkerStep::Cancelled();
    return CWorkerStep::Failed(QStringLiteral("作業逾時"));
}

void CFtpTransferWorker::TakeOutcome()
{
    const CCallOutcome outcome = m_outcomes.front();
    m_outcomes.pop_front();
    if (m_outcomes.empty())
        m_done.Reset();
    m_outstanding = qMax(m_outstanding - 1, 0);
    m_lastCode = outcome.code;
    m_lastError = outcome.text;
    m_lastWrote = outcome.wrote;
}

void CFtpTransferWorker::AbortOutstanding()
{
    m_ftp->AbortAll();
    const QDeadlineTimer deadline(kAbortSettleMs);
    while (m_outstanding > 0 &&
           (!m_outcomes.empty() || PumpWait(m_done, int(qMax<qint64>(0, deadline.remainingTime()))) == 1))
        TakeOutcome();
    m_outstanding = 0;
    m_outcomes.clear();
    m_done.Reset();
}

CWorkerStep CFtpTransferWorker::WaitForCall()
{
    return WaitForDone(kNoLimit);
}

CWorkerStep CFtpTransferWorker::WaitForTransfer(const QString& name, bool& resume, bool followed,
                                                const std::function<CWorkerStep()>& restart)
{
    CWorkerStep step = WaitForCall();
    for (int attempt = 2; attempt <= Job().attempts && LostConnection(step); ++attempt)
        step = RetryTransfer(name, resume, followed, restart);
    return step;
}

bool CFtpTransferWorker::LostConnection(const CWorkerStep& step) const
{
    // 421 and 426: the server closed the connection, or the transfer's, itself.
    return step.result == CWorkerStep::Result::Failed &&
           (m_lastCode == FtpErrorNetwork || m_lastCode == FtpErrorTimedOut || m_lastCode == 421 ||
            m_lastCode == 426);
}

CWorkerStep CFtpTransferWorker::RetryTransfer(const QString& name, bool& resume, bool followed,
                                              const std::function<CWorkerStep()>& restart)
{
    // Only a file this run has written to is continued; whatever lay there before keeps its decision.
    resume = resume || m_lastWrote;
    Note(QStringLiteral("%1 的傳送中斷（%2），%3 秒後續傳").arg(name, m_lastError).arg(Job().retryDelay));
    // The file behind it went to the same broken connection.
    if (followed)
        AbortOutstanding();
    ReportStatus({}, QStringLiteral("重試中"));
    if (PumpWait(CancelEvent(), qMax(Job().retryDelay, 0) * 1000) == 1)
        return CWorkerStep::Cancelled();
    if (m_ftp->State() != FtpStateConnected)
    {
        const CWorkerStep connected = ConnectWithAttempts();
        if (!connected.IsOk())
            return connected;
    }
    const CWorkerStep started = restart();
    return started.IsOk() ? WaitForCall() : started;
}

CWorkerStep CFtpTransferWorker::Run(const std::function<void()>& call)
{
    StartCall(call);
    return WaitForCall();
}

CRawReply CFtpTransferWorker::SendRaw(const QString& command)
{
    StartRaw(command);
    return WaitRaw(command, Settings().connectionTimeoutMs);
}

void CFtpTransferWorker::StartRaw(const QString& command)
{
    m_reply.Reset();
    m_ftp->RawCommand(command);
}

CRawReply CFtpTransferWorker::WaitRaw(const QString& command, int timeoutMs)
{
    const QString sent = command.trimmed();
    const QDeadlineTimer deadline(timeoutMs);
    // A late reply to an earlier command that timed out is not this command's answer.
    while (PumpWaitEither(m_reply, CancelEvent(), int(deadline.remainingTime())) == 1)
    {
        m_reply.Reset();
        if (m_lastReplyCommand.trimmed() == sent)
            return m_lastReply;
    }
    return {};
}

CWorkerStep CFtpTransferWorker::VerifyChecksum(const QString& localPath, const QString& remotePath,
                                               const QString& noSupport, const QString& mismatch)
{
    const std::optional<ChecksumKind>& kind = m_checksum;
    if (!kind)
        return CWorkerStep::Ok();
    if (m_ascii)
    {
        // Line ends differ between the two copies by design, so the sums could never agree.
        Note(QStringLiteral("略過完整性檢查（ASCII 模式）：%1").arg(remotePath));
        return CWorkerStep::Ok();
    }
    const bool blocking = m_ftp->IsBlocking();
    m_ftp->SetBlocking(true);
    const QString local = m_ftp->LocalChecksum(*kind, localPath);
    const QString remote = m_ftp->RemoteChecksum(*kind, remotePath);
    m_ftp->SetBlocking(blocking);
    if (remote.isEmpty())
        return CWorkerStep::Failed(noSupport);
    if (local != remote)
        return CWorkerStep::Failed(mismatch);
    return CWorkerStep::Ok();
}

void CFtpTransferWorker::ReportStatus(const QString& name, const QString& status)
{
    Q_EMIT Status(this, name, status, QString::number(m_lastPercent));
}

void CFtpTransferWorker::ReportProgress(qint64 position, qint64 total)
{
    SetTransferredBytes(m_doneBytes + position);
    qint64 percent = 0;
    if (m_totalBytes > 0)
        percent = (m_doneBytes + position) * 100 / m_totalBytes;
    else if (total > 0)
        percent = position * 100 / total;
    else
        return;
    if (int(percent) == m_lastPercent)
        return;
    m_lastPercent = int(percent);
    Progress().SetPosition(m_lastPercent);
    Q_EMIT Status(this, {}, {}, QString::number(m_lastPercent));
}

void CFtpTransferWorker::Note(const QString& text)
{
    AppendDetails(QStringLiteral("! ") + CleanLogLine(text) + QStringLiteral("\r\n"));
}

void CFtpTransferWorker::SetTransferMode(TransferMode mode)
{
    m_ascii = mode == TransferMode::Ascii;
    m_ftp->SetTransferMode(m_ascii ? FtpTransferType::Ascii : FtpTransferType::Binary);
}

// A worker cannot ask: past what is on record, the run's own answer decides.
bool CFtpTransferWorker::AcceptCertificate(const ServerCertificate& certificate)
{
    const TrustAnswer answer = Settings().overrides.unknownCertificate;
    const TrustOutcome outcome = CTrustPolicy::For(m_ftp->Target()).Certificate(
        certificate, [answer](const ServerCertificate&) { return answer; });
    if (!outcome.problem.isEmpty())
        Note(outcome.problem);
    return outcome.accepted;
}

bool CFtpTransferWorker::AcceptHostKey()
{
    const TrustAnswer answer = Settings().overrides.unknownHostKey;
    const TrustOutcome outcome = CTrustPolicy::For(m_ftp->Target()).HostKey(
        m_ftp->ServerHostKey(), [answer](const SshHostKey&) { return answer; });
    if (!outcome.problem.isEmpty())
        Note(outcome.problem);
    return outcome.accepted;
}

void CFtpTransferWorker::Trace(const QString& prefix, const QString& line)
{
    AppendDetails(prefix + line + QStringLiteral("\r\n"));
}

void CFtpTransferWorker::Disconnect()
{
    // A cancelled worker leaves at once: the component's end closes the connection without a QUIT.
    if (m_ftp->State() != FtpStateConnected || IsCancelled())
        return;
    m_ftp->SetBlocking(true);
    m_ftp->Disconnect();
}
