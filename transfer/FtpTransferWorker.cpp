#include "transfer/FtpTransferWorker.h"

#include "app/Profile.h"
#include "common/LogLine.h"
#include "common/PumpWait.h"
#include "engine/ProgressThrottle.h"
#include "engine/VisibleText.h"
#include "security/TrustPolicy.h"
#include "transfer/TransferProgressPlain.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{
// A final message lists this many failed files at most.
constexpr int kListedFailures = 20;

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
    ReportStatus({}, QCoreApplication::translate("FtpTransferWorker", "初始化"));
    // Read once for the job rather than once a file.
    m_checksum = Settings().overrides.checksum ? Settings().overrides.checksum : StoredChecksumKind();
    MakeProgressWindow();
    QString problem;
    m_connection =
        std::make_unique<CRemoteConnection>(JobTarget(Job(), Settings().connectionTimeoutMs, &problem));
    if (!problem.isEmpty())
        Note(problem);
    Prepare(*m_connection, QStringLiteral("> "), QStringLiteral("< "));
    Note(JobText(m_connection->Target()));
    const CWorkerStep step = RunGuarded();
    Disconnect();
    RemoveCancelTarget(*m_connection);
    m_connection.reset();
    m_progress.reset();
    if (step.result == CWorkerStep::Result::Failed)
    {
        const QString message = CleanLogLine(step.message);
        SetOutcome(false, message.isEmpty() ? QCoreApplication::translate("FtpTransferWorker", "傳送失敗")
                                            : message);
        Note(FinalMessage());
        return;
    }
    if (IsCancelled())
    {
        SetOutcome(true, CancelledMessage());
        return;
    }
    if (m_failed.isEmpty())
    {
        SetOutcome(true, CompletedMessage());
        return;
    }
    QList<CTransferEntry> files;
    QStringList lines;
    for (const CFailedFile& failed : std::as_const(m_failed))
    {
        files.append(failed.entry);
        lines << VisibleText(failed.path) + QCoreApplication::translate("FtpTransferWorker", "：") +
                     CleanLogLine(failed.reason);
    }
    SetFailedFiles(files);
    SetFailureLines(lines);
    SetOutcome(false, FailureSummary());
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
    Note(QCoreApplication::translate("FtpTransferWorker", "無法建立進度視窗，傳送照常進行"));
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
    if (step.result != CWorkerStep::Result::Failed && m_failed.isEmpty())
    {
        Progress().SetLine1(
            QCoreApplication::translate("FtpTransferWorker", "中斷 %1 的連線").arg(Job().host));
        m_lastPercent = 0;
        ReportStatus({}, QCoreApplication::translate("FtpTransferWorker", "完成"));
    }
    return step;
}

void CFtpTransferWorker::Prepare(CRemoteConnection& connection, const QString& sent, const QString& received)
{
    // A worker cannot ask: past what is on record, the run's own answers decide.
    const TrustAnswer certificate = Settings().overrides.unknownCertificate;
    const TrustAnswer hostKey = Settings().overrides.unknownHostKey;
    CTrustPolicy::Guard(
        connection, [certificate](const ServerCertificate&) { return certificate; },
        [hostKey](const SshHostKey&) { return hostKey; }, [this](const QString& text) { Note(text); });
    connection.SetLogHook(
        [this, sent, received](FtpLogKind kind, const QByteArray& line)
        {
            const QString text = CleanLogLine(QString::fromUtf8(line));
            if (kind == FtpLogKind::Command)
                Trace(sent, MaskedCommandLine(text));
            else if (kind == FtpLogKind::Reply)
                Trace(received, text);
            else
                Note(text);
        });
    AddCancelTarget(connection);
}

CWorkerStep CFtpTransferWorker::ConnectWithAttempts()
{
    Progress().SetPosition(0);
    Progress().SetLine2({});
    ReportStatus({}, QCoreApplication::translate("FtpTransferWorker", "連線中"));
    const CTransferJob& job = Job();
    const int attempts = qMax(job.attempts, 1);
    for (int attempt = 1;; ++attempt)
    {
        const QString attemptLine =
            QCoreApplication::translate("FtpTransferWorker", "連線到 %1 (第 %2 / %3 次)")
                .arg(job.host)
                .arg(attempt)
                .arg(attempts);
        Progress().SetLine1(attemptLine);
        Note(attemptLine);
        const FtpResult connected = Connection().Connect();
        if (connected.Ok())
            break;
        if (connected.status == FtpStatus::Cancelled)
            return CWorkerStep::Cancelled();
        const QString message =
            connected.message.isEmpty()
                ? QCoreApplication::translate("FtpTransferWorker", "無法連線至 %1： 連線逾時").arg(job.host)
                : connected.message;
        // The same log-in, certificate or host key would only be refused again.
        if (attempt >= attempts || connected.status == FtpStatus::LogInRefused ||
            connected.status == FtpStatus::Rejected)
            return CWorkerStep::Failed(message);
        Progress().SetLine1(QCoreApplication::translate("FtpTransferWorker", "無法連線至 %1  (第 %2 / %3 次)")
                                .arg(job.host)
                                .arg(attempt)
                                .arg(attempts));
        Progress().SetLine2(
            QCoreApplication::translate("FtpTransferWorker", " %1 秒後重試...").arg(job.retryDelay));
        if (PumpWait(CancelEvent(), qMax(job.retryDelay, 0) * 1000) == 1)
            return CWorkerStep::Failed(message);
        ReportStatus({}, QCoreApplication::translate("FtpTransferWorker", "重試中"));
        Progress().SetLine2({});
    }
    // A job folder that cannot be entered shows with the files in it; an upload makes it.
    if (!job.remoteFolder.isEmpty() &&
        Connection().ChangeFolder(job.remoteFolder).status == FtpStatus::Cancelled)
        return CWorkerStep::Cancelled();
    m_remoteFolder = job.remoteFolder.isEmpty() ? Connection().CurrentFolder() : job.remoteFolder;
    Connected();
    Progress().SetLine1(QCoreApplication::translate("FtpTransferWorker", "正在尋找子資料夾中的檔案..."));
    return CWorkerStep::Ok();
}

CWorkerStep CFtpTransferWorker::TransferFile(const QString& name, bool& resume, const FileTransfer& transfer)
{
    bool wrote = false;
    CProgressThrottle throttle([this](qint64 position, qint64 total) { ReportProgress(position, total); });
    // A transfer reports its progress only once the target is open (a local one replaced is truncated by
    // then, a remote one made by STOR).
    const FtpProgressHook progress = [&](qint64 position, qint64 total)
    {
        wrote = true;
        throttle.Report(position, total);
    };
    FtpResult result = transfer(resume, progress);
    for (int attempt = 2; attempt <= Job().attempts && LostConnection(result); ++attempt)
    {
        // Only a file this run has written to is continued; whatever lay there before keeps its decision.
        resume = resume || wrote;
        const CWorkerStep ready = RetryTransfer(name, result);
        if (!ready.IsOk())
            return ready;
        result = transfer(resume, progress);
    }
    throttle.Flush();
    return StepOf(result);
}

CWorkerStep CFtpTransferWorker::RetryTransfer(const QString& name, const FtpResult& broken)
{
    Note(QCoreApplication::translate("FtpTransferWorker", "%1 的傳送中斷（%2），%3 秒後續傳")
             .arg(name, broken.message)
             .arg(Job().retryDelay));
    ReportStatus({}, QCoreApplication::translate("FtpTransferWorker", "重試中"));
    if (PumpWait(CancelEvent(), qMax(Job().retryDelay, 0) * 1000) == 1)
        return CWorkerStep::Cancelled();
    return Connection().IsConnected() ? CWorkerStep::Ok() : ConnectWithAttempts();
}

bool CFtpTransferWorker::LostConnection(const FtpResult& result)
{
    if (result.Ok() || result.status == FtpStatus::Cancelled)
        return false;
    // 421 and 426: the server closed the connection, or the transfer's, itself.
    return result.status == FtpStatus::Network || result.status == FtpStatus::TimedOut ||
           result.status == FtpStatus::NotConnected || result.reply.code == 421 || result.reply.code == 426 ||
           !Connection().IsConnected();
}

CWorkerStep CFtpTransferWorker::StepOf(const FtpResult& result)
{
    if (result.Ok())
        return CWorkerStep::Ok();
    if (result.status == FtpStatus::Cancelled || IsCancelled())
        return CWorkerStep::Cancelled();
    return LostConnection(result) ? CWorkerStep::Failed(result.message)
                                  : CWorkerStep::FileFailed(result.message);
}

CWorkerStep CFtpTransferWorker::VerifyChecksum(const QString& localPath, const QString& remotePath,
                                               const QString& noSupport, const QString& mismatch)
{
    if (!m_checksum)
        return CWorkerStep::Ok();
    if (m_ascii)
    {
        // Line ends differ between the two copies by design, so the sums could never agree.
        Note(QCoreApplication::translate("FtpTransferWorker", "略過完整性檢查（ASCII 模式）：%1")
                 .arg(remotePath));
        return CWorkerStep::Ok();
    }
    QString error;
    const QByteArray local = LocalChecksum(localPath, *m_checksum, CancelFlag(), &error);
    if (IsCancelled())
        return CWorkerStep::Cancelled();
    const FtpValue<QByteArray> remote = Connection().RemoteChecksum(*m_checksum, remotePath);
    const CWorkerStep asked = StepOf(remote.result);
    if (asked.result != CWorkerStep::Result::Ok && asked.result != CWorkerStep::Result::FileFailed)
        return asked;
    // The server offers no sum for this file, nor, as far as can be told, for any other.
    if (!asked.IsOk() || remote.value.isEmpty())
        return CWorkerStep::Failed(noSupport);
    if (local != remote.value)
        return CWorkerStep::FileFailed(
            error.isEmpty() ? mismatch
                            : mismatch + QCoreApplication::translate("FtpTransferWorker", "：") + error);
    return CWorkerStep::Ok();
}

CWorkerStep CFtpTransferWorker::Settle(const CWorkerStep& step, const CTransferEntry& entry,
                                       const QString& path)
{
    if (step.result != CWorkerStep::Result::FileFailed)
        return step;
    m_failed.append({entry, path, step.message});
    Note(QCoreApplication::translate("FtpTransferWorker", "%1：%2").arg(path, step.message));
    return CWorkerStep::Ok();
}

QString CFtpTransferWorker::FailureSummary() const
{
    QStringList lines{
        QCoreApplication::translate("FtpTransferWorker", "%1 個檔案傳送失敗：").arg(m_failed.size())};
    for (qsizetype i = 0; i < m_failed.size() && i < kListedFailures; ++i)
        lines << VisibleText(m_failed[i].path) + QCoreApplication::translate("FtpTransferWorker", "：") +
                     CleanLogLine(m_failed[i].reason);
    if (m_failed.size() > kListedFailures)
        lines << QCoreApplication::translate("FtpTransferWorker", "另有 %1 個檔案失敗")
                     .arg(m_failed.size() - kListedFailures);
    return lines.join(u'\n');
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

QString CFtpTransferWorker::JobText(const CConnectionTarget& target) const
{
    // In the order of FtpProtocol.
    static const char* const kSchemes[] = {"ftp", "sftp", "ftpes", "ftpes", "ftps"};
    const CTransferJob& job = Job();
    const QString host = job.host.contains(u':') ? u'[' + job.host + u']' : job.host;
    const QString server = QStringLiteral("%1://%2:%3")
                               .arg(QLatin1String(kSchemes[int(target.protocol)]), host)
                               .arg(target.EffectivePort());
    const QString remote = server + (job.remoteFolder.isEmpty() ? QStringLiteral("/") : job.remoteFolder);
    const QString count = QString::number(job.files.size());
    if (GetKind() == Kind::Upload)
        return QCoreApplication::translate("FtpTransferWorker", "上傳 %1 個項目：%2 → %3")
            .arg(count, job.localFolder, remote);
    return QCoreApplication::translate("FtpTransferWorker", "下載 %1 個項目：%2 → %3")
        .arg(count, remote, job.localFolder);
}

void CFtpTransferWorker::Note(const QString& text)
{
    AppendDetails(QStringLiteral("! ") + CleanLogLine(text) + QStringLiteral("\r\n"));
}

void CFtpTransferWorker::SetTransferMode(TransferMode mode)
{
    m_ascii = mode == TransferMode::Ascii;
    Connection().SetTransferType(m_ascii ? FtpTransferType::Ascii : FtpTransferType::Binary);
}

void CFtpTransferWorker::Trace(const QString& prefix, const QString& line)
{
    AppendDetails(prefix + line + QStringLiteral("\r\n"));
}

void CFtpTransferWorker::Disconnect()
{
    // A cancelled worker leaves at once: the connection's end closes it without a QUIT.
    if (Connection().IsConnected() && !IsCancelled())
        Connection().Close();
}
