// The component in front of one connection: CRemoteConnection runs on a private thread, and its
// results and hooks come back to the owner's thread as queued events.
#include "engine/FtpComponent.h"

#include "engine/ProgressThrottle.h"
#include "engine/RemoteName.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaMethod>
#include <cctype>

namespace
{
// How long the I/O thread waits for the owner's handlers before going on without them.
constexpr int kCommandAnswerMs = 5000;
constexpr int kCertificateAnswerMs = 120000;

int CodeOf(FtpStatus status)
{
    switch (status)
    {
    case FtpStatus::Ok:
        return 0;
    case FtpStatus::TimedOut:
        return FtpErrorTimedOut;
    case FtpStatus::Cancelled:
        return FtpErrorCancelled;
    case FtpStatus::Protocol:
    case FtpStatus::Refused:
    case FtpStatus::LogInRefused:
        return FtpErrorProtocol;
    case FtpStatus::Local:
        return FtpErrorLocal;
    case FtpStatus::Rejected:
        return FtpErrorRejected;
    case FtpStatus::NotConnected:
        return FtpErrorNotConnected;
    case FtpStatus::BadRequest:
        return FtpErrorBadRequest;
    case FtpStatus::Network:
        break;
    }
    return FtpErrorNetwork;
}

// "226 Done" and "226-Done" give 226; a continuation line gives 0.
int ReplyCodeOf(const QByteArray& line)
{
    if (line.size() < 3 || line[0] < '1' || line[0] > '5' || !isdigit(uchar(line[1])) ||
        !isdigit(uchar(line[2])))
        return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-')
        return 0;
    return line.left(3).toInt();
}

FtpResult Cancelled(const QString& what)
{
    return FtpResult::Failure(FtpStatus::Cancelled,
                              what + QCoreApplication::translate("FtpComponent", "：作業已取消"));
}
} // namespace

CFtpComponent::CFtpComponent(QObject* parent)
    : QObject(parent), m_thread(
                           [this]
                           {
                               m_connection.Cancel();
                               m_ownerCall.Cancel();
                           },
                           [this]
                           {
                               m_connection.ClearCancel();
                               m_ownerCall.Reset();
                           })
{
    InstallHooks();
}

CFtpComponent::~CFtpComponent()
{
    m_thread.Stop();
    // Blocking calls further up this thread's stack return once they see the component gone.
    for (QEventLoop* loop : std::as_const(m_blockingWaits))
        loop->quit();
}

int CFtpComponent::SetRemoteFolder(const QString& path)
{
    auto value = std::make_shared<JobResult>(JobResult{FtpErrorCancelled, {}});
    Start(
        [this, path, value](quint64 job)
        {
            const JobResult outcome = ResultOf(m_connection.ChangeFolder(path));
            const QString current = m_connection.CurrentFolder();
            Complete(job,
                     [this, value, outcome, current]
                     {
                         if (outcome.code == 0)
                             m_remoteFolder = current;
                         *value = outcome;
                         Q_EMIT Done(outcome.code, outcome.text);
                     });
        },
        false, WaitMode::Always);
    return value->code;
}

void CFtpComponent::Connect()
{
    const CConnectionTarget target = m_target;
    Start(
        [this, target](quint64 job)
        {
            FtpResult result = Cancelled(QCoreApplication::translate("FtpComponent", "連線"));
            if (!m_thread.Aborted())
            {
                m_connection.SetTarget(target);
                result = m_connection.Connect();
            }
            const QString folder = m_connection.CurrentFolder();
            const JobResult outcome = ResultOf(result);
            const bool logInRefused = result.status == FtpStatus::LogInRefused;
            Complete(job,
                     [this, outcome, folder, logInRefused]
                     {
                         if (outcome.code == 0)
                             m_remoteFolder = folder;
                         m_logInRefused = logInRefused;
                         Q_EMIT Connected(outcome.code, outcome.text);
                     });
        },
        true);
}

void CFtpComponent::Disconnect()
{
    m_thread.AbortRunning();
    Start(
        [this](quint64 job)
        {
            m_connection.Close();
            Complete(job, [] {});
        },
        true);
}

void CFtpComponent::Download(const QString& localPath, const QString& remotePath)
{
    const bool resume = m_resume;
    const qint64 knownSize = m_knownSize;
    StartTransfer([this, localPath, remotePath, resume, knownSize](const FtpProgressHook& progress)
                  { return m_connection.Download(remotePath, localPath, resume, progress, knownSize); });
}

void CFtpComponent::Upload(const QString& localPath, const QString& remotePath)
{
    const FtpUploadMode mode = m_resume ? FtpUploadMode::Resume : FtpUploadMode::Replace;
    StartTransfer([this, localPath, remotePath, mode](const FtpProgressHook& progress)
                  { return m_connection.Upload(localPath, remotePath, mode, progress); });
}

void CFtpComponent::MakeFolder(const QString& path)
{
    StartSimple([this, path] { return m_connection.MakeFolder(path); }, false);
}

void CFtpComponent::RemoveFolder(const QString& path)
{
    StartSimple([this, path] { return m_connection.RemoveFolder(path); }, false);
}

void CFtpComponent::Delete(const QString& path)
{
    StartSimple([this, path] { return m_connection.Delete(path); }, false);
}

void CFtpComponent::List(const QString& path)
{
    const bool passive = m_target.passive;
    Start(
        [this, path, passive](quint64 job)
        {
            m_connection.SetPassive(passive);
            FtpValue<FtpListing> listing =
                m_thread.Aborted()
                    ? FtpValue<FtpListing>{Cancelled(QCoreApplication::translate("FtpComponent", "列出目錄")),
                                           {}}
                    : m_connection.List(path);
            if (listing.result.Ok())
            {
                const QString lines = QString::fromUtf8(listing.value.lines.join("\r\n"));
                Post([this, lines] { Q_EMIT ListItems(lines); });
            }
            auto items = std::make_shared<std::vector<ListItem>>(std::move(listing.value.items));
            const JobResult outcome = ResultOf(listing.result);
            Complete(job,
                     [this, items, outcome]
                     {
                         // A failed listing leaves no items, so none are taken for the new folder's.
                         m_items = outcome.code == 0 ? std::move(*items) : std::vector<ListItem>();
                         Q_EMIT Done(outcome.code, outcome.text);
                     });
        },
        true);
}

void CFtpComponent::Rename(const QString& newPath, const QString& oldPath)
{
    StartSimple([this, oldPath, newPath] { return m_connection.Rename(oldPath, newPath); }, false);
}

void CFtpComponent::Abort()
{
    m_thread.AbortRunning();
}

void CFtpComponent::AbortAll()
{
    m_thread.AbortAll();
}

void CFtpComponent::RawCommand(const QString& command)
{
    QString line = command;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    Start(
        [this, line](quint64 job)
        {
            const FtpResult result = m_connection.Raw(line);
            const int code = result.reply.code;
            const QString reply = code ? QString::fromUtf8(result.reply.Text()) : result.message;
            Complete(job, [this, line, code, reply] { Q_EMIT FTPReply(line, code, reply); });
        },
        false);
}

void CFtpComponent::DeleteFolderContents(const QString& path)
{
    StartSimple([this, path] { return m_connection.DeleteFolderContents(path); }, true);
}

QString CFtpComponent::RemoteChecksum(ChecksumKind kind, const QString& path)
{
    auto value = std::make_shared<QString>();
    Start(
        [this, kind, path, value](quint64 job)
        {
            const FtpValue<QByteArray> checksum = m_connection.RemoteChecksum(kind, path);
            const QString text = QString::fromLatin1(checksum.value);
            const JobResult outcome = ResultOf(checksum.result);
            Complete(job,
                     [this, value, text, outcome]
                     {
                         *value = outcome.code == 0 ? text : QString();
                         Q_EMIT Done(outcome.code, outcome.text);
                     });
        },
        false, WaitMode::Always);
    return *value;
}

QString CFtpComponent::LocalChecksum(ChecksumKind kind, const QString& localPath)
{
    auto value = std::make_shared<QString>();
    Start(
        [this, kind, localPath, value](quint64 job)
        {
            QString error;
            const QString text =
                QString::fromLatin1(::LocalChecksum(localPath, kind, &m_thread.Aborted(), &error));
            const JobResult outcome = text.isEmpty() ? JobResult{FtpErrorLocal, error} : JobResult{};
            Complete(job,
                     [this, value, text, outcome]
                     {
                         *value = text;
                         Q_EMIT Done(outcome.code, outcome.text);
                     });
        },
        true, WaitMode::Always);
    return *value;
}

int CFtpComponent::CheckFolder(const QString& path)
{
    auto value = std::make_shared<JobResult>(JobResult{FtpErrorCancelled, {}});
    Start(
        [this, path, value](quint64 job)
        {
            const JobResult outcome = ResultOf(m_connection.CheckFolder(path));
            Complete(job,
                     [this, value, outcome]
                     {
                         *value = outcome;
                         Q_EMIT Done(outcome.code, outcome.text);
                     });
        },
        false, WaitMode::Always);
    return value->code;
}

quint64 CFtpComponent::Start(std::function<void(quint64 job)> job, bool abortable, WaitMode wait)
{
    const quint64 id = ++m_postedJobs;
    m_thread.Post([job = std::move(job), id] { job(id); }, abortable);
    if (m_blocking || wait == WaitMode::Always)
        WaitFor(id);
    return id;
}

void CFtpComponent::StartTransfer(std::function<FtpResult(const FtpProgressHook& progress)> transfer)
{
    const bool passive = m_target.passive;
    const FtpTransferType mode = m_transferMode;
    Start(
        [this, transfer = std::move(transfer), passive, mode](quint64 job)
        {
            // Aborted before it began: nothing is sent and no local file is touched.
            if (m_thread.Aborted())
            {
                CompleteWithDone(job, Cancelled(QCoreApplication::translate("FtpComponent", "傳送檔案")));
                return;
            }
            m_connection.SetPassive(passive);
            m_connection.SetTransferType(mode);
            // The first report and the last come with the next event anyway; those between keep the
            // owner's view of a long transfer moving.
            bool between = false;
            CProgressThrottle throttle(
                [this, &between](qint64 position, qint64 total)
                {
                    const auto event = [this, position, total] { Q_EMIT Progress(position, total); };
                    if (between)
                        Post(event);
                    else
                        Report(event);
                    between = true;
                });
            const FtpResult result =
                transfer([&throttle](qint64 position, qint64 total) { throttle.Report(position, total); });
            between = false;
            throttle.Flush();
            CompleteWithDone(job, result);
        },
        true);
}

void CFtpComponent::StartSimple(std::function<FtpResult()> call, bool abortable)
{
    Start([this, call = std::move(call)](quint64 job) { CompleteWithDone(job, call()); }, abortable);
}

void CFtpComponent::WaitFor(quint64 job)
{
    const QPointer<CFtpComponent> alive(this);
    QEventLoop loop;
    m_blockingWaits.append(&loop);
    while (m_completedJobs < job)
    {
        loop.exec();
        if (!alive)
            return;
    }
    m_blockingWaits.removeOne(&loop);
}

void CFtpComponent::Complete(quint64 job, std::function<void()> completion)
{
    const bool connected = m_connection.IsConnected();
    const bool changed = connected != m_ioConnected;
    m_ioConnected = connected;
    Post([this, job, completion = std::move(completion), changed, connected]
         { Finish(job, completion, changed, connected); });
}

void CFtpComponent::CompleteWithDone(quint64 job, const FtpResult& result)
{
    const JobResult outcome = ResultOf(result);
    Complete(job, [this, outcome] { Q_EMIT Done(outcome.code, outcome.text); });
}

void CFtpComponent::Finish(quint64 job, const std::function<void()>& completion, bool changed, bool connected)
{
    // Blocking waits end with this event, after the handlers below have run.
    m_completedJobs = job;
    for (QEventLoop* loop : std::as_const(m_blockingWaits))
        loop->quit();
    const QPointer<CFtpComponent> alive(this);
    if (changed)
    {
        const int old = m_state;
        m_state = connected ? FtpStateConnected : FtpStateDisconnected;
        Q_EMIT StateChange(old);
        if (alive && !connected)
            Q_EMIT Disconnected();
    }
    if (alive)
        completion();
}

void CFtpComponent::Post(std::function<void()> event)
{
    if (m_heldReports.empty())
    {
        QMetaObject::invokeMethod(this, std::move(event), Qt::QueuedConnection);
        return;
    }
    std::vector<std::function<void()>> held;
    held.swap(m_heldReports);
    QMetaObject::invokeMethod(
        this,
        [this, held = std::move(held), event = std::move(event)]
        {
            const QPointer<CFtpComponent> alive(this);
            for (const std::function<void()>& report : held)
            {
                report();
                if (!alive)
                    return;
            }
            event();
        },
        Qt::QueuedConnection);
}

void CFtpComponent::Report(std::function<void()> event)
{
    if (m_deferReports)
        m_heldReports.push_back(std::move(event));
    else
        Post(std::move(event));
}

CFtpComponent::JobResult CFtpComponent::ResultOf(const FtpResult& result)
{
    if (result.Ok())
        return {};
    // The server's own code says most; a refusal without one is a protocol fault.
    const bool refused = result.status == FtpStatus::Refused || result.status == FtpStatus::LogInRefused;
    const int code = refused && result.reply.code >= 400 ? result.reply.code : CodeOf(result.status);
    return {code, result.message};
}

void CFtpComponent::InstallHooks()
{
    const FtpLogHook log = [this](FtpLogKind kind, const QByteArray& line)
    {
        const QString text = QString::fromUtf8(line);
        if (kind == FtpLogKind::Reply)
        {
            const int code = ReplyCodeOf(line);
            Report([this, code, text] { Q_EMIT PreTranslateReply(code, text); });
        }
        else if (kind == FtpLogKind::Info)
        {
            Report([this, text] { Q_EMIT Information(text); });
        }
    };
    m_connection.SetLogHook(log);
    m_connection.SetHostKeyHook([this](const SshHostKey& key) { return AskAboutHostKey(key); });
    m_connection.SetCommandHook([this](QByteArray& command) { command = TranslateCommand(command); });
    m_connection.SetCertificateHook([this](const ServerCertificate& certificate)
                                    { return AskAboutCertificate(certificate); });
}

QByteArray CFtpComponent::TranslateCommand(const QByteArray& command)
{
    const QByteArray sent = AskToTranslate(command);
    if (isSignalConnected(QMetaMethod::fromSignal(&CFtpComponent::CommandSent)))
        Report([this, text = QString::fromUtf8(sent)] { Q_EMIT CommandSent(text); });
    return sent;
}

QByteArray CFtpComponent::AskToTranslate(const QByteArray& command)
{
    // Without a handler there is nobody to ask and no round trip to wait for.
    if (!isSignalConnected(QMetaMethod::fromSignal(&CFtpComponent::PreTranslateCommand)))
        return command;
    const QString original = QString::fromUtf8(command);
    const std::optional<QString> answer = m_ownerCall.Ask<QString>(
        this,
        [this, original]
        {
            QString translated = original;
            Q_EMIT PreTranslateCommand(translated);
            return translated;
        },
        kCommandAnswerMs);
    if (answer)
        return CRemoteName::ToBytes(*answer);
    // Unanswered in time: the command goes as it is, and the owner still sees it.
    Post(
        [this, original]
        {
            QString late = original;
            Q_EMIT PreTranslateCommand(late);
        });
    return command;
}

bool CFtpComponent::AskAboutCertificate(const ServerCertificate& certificate)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&CFtpComponent::HostCertificate)))
        return certificate.trusted;
    const int code = certificate.trusted ? 0 : FtpErrorUntrusted;
    const QString text = certificate.trusted ? QString() : certificate.problem;
    const std::optional<bool> accepted = m_ownerCall.Ask<bool>(
        this,
        [this, certificate, code, text]
        {
            bool accept = certificate.trusted;
            Q_EMIT HostCertificate(certificate, code, text, accept);
            return accept;
        },
        kCertificateAnswerMs);
    return accepted.value_or(false);
}

bool CFtpComponent::AskAboutHostKey(const SshHostKey& key)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&CFtpComponent::HostKey)))
        return false;
    const QString type = QString::fromLatin1(key.type);
    const QString fingerprint = QString::fromLatin1(key.Fingerprint());
    const std::optional<bool> accepted = m_ownerCall.Ask<bool>(
        this,
        [this, key, type, fingerprint]
        {
            m_serverHostKey = key;
            bool accept = false;
            Q_EMIT HostKey(type, fingerprint, accept);
            return accept;
        },
        kCertificateAnswerMs);
    return accepted.value_or(false);
}
