// SSH transport and authentication: RFC 4253, 4252 and 4256 (keyboard-interactive), through libssh.
#include "engine/sftp/SshSession.h"

#include "engine/net/CancelToken.h"
#include "engine/sftp/SshChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <libssh/libssh.h>
#include <poll.h>

namespace
{
constexpr int kMaxKeyboardRounds = 8;
} // namespace

CSshSession::CSshSession(const CCancelToken& cancel, int timeoutMs) : m_cancel(cancel), m_timeoutMs(timeoutMs)
{
}

CSshSession::~CSshSession()
{
    Close();
}

template <typename Call> FtpValue<int> CSshSession::Drive(Call call, int again, const QString& what)
{
    const QDeadlineTimer deadline(m_timeoutMs);
    for (;;)
    {
        const int rc = call();
        if (rc != again)
            return {FtpResult::Success(), rc};
        const IoResult io =
            deadline.hasExpired() ? IoResult::Fail(IoStatus::TimedOut) : Wait(int(deadline.remainingTime()));
        if (!io.Ok())
            return {FtpResult::FromIo(what, io), rc};
    }
}

FtpResult CSshSession::Start(int fd, const QByteArray& host, const QByteArray& user)
{
    Close();
    const QString what = QCoreApplication::translate("SshSession", "SSH 連線失敗");
    m_session = ssh_new();
    if (!m_session)
        return FtpResult::Failure(
            FtpStatus::Local, what + QCoreApplication::translate("SshSession", "：無法建立 SSH 工作階段"));
    socket_t socket = fd;
    const int off = 0;
    ssh_options_set(m_session, SSH_OPTIONS_FD, &socket);
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.constData());
    ssh_options_set(m_session, SSH_OPTIONS_USER, user.constData());
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &off);
    ssh_options_set(m_session, SSH_OPTIONS_LOG_VERBOSITY, &off);
    ssh_set_blocking(m_session, 0);
    const FtpValue<int> rc = Drive([this] { return ssh_connect(m_session); }, SSH_AGAIN, what);
    if (!rc.result.Ok())
        return rc.result;
    if (rc.value != SSH_OK)
        return FtpResult::Failure(FtpStatus::Protocol,
                                  what + QCoreApplication::translate("SshSession", "：") + Error());
    return FtpResult::Success();
}

std::optional<SshHostKey> CSshSession::HostKey() const
{
    ssh_key key = nullptr;
    if (!m_session || ssh_get_server_publickey(m_session, &key) != SSH_OK)
        return std::nullopt;
    char* base64 = nullptr;
    const int rc = ssh_pki_export_pubkey_base64(key, &base64);
    ssh_key_free(key);
    if (rc != SSH_OK)
        return std::nullopt;
    const QByteArray blob = QByteArray::fromBase64(base64);
    ssh_string_free_char(base64);
    return SshHostKey::FromBlob(blob);
}

QByteArray CSshSession::ServerBanner() const
{
    const char* banner = m_session ? ssh_get_serverbanner(m_session) : nullptr;
    return banner ? QByteArray(banner) : QByteArray();
}

FtpValue<SshAuthOutcome> CSshSession::Outcome(const FtpValue<int>& rc, const QString& refused)
{
    if (!rc.result.Ok())
        return {rc.result, SshAuthOutcome::Denied};
    switch (rc.value)
    {
    case SSH_AUTH_SUCCESS:
        return {FtpResult::Success(), SshAuthOutcome::LoggedIn};
    case SSH_AUTH_PARTIAL:
        return {FtpResult::Success(), SshAuthOutcome::Partial};
    case SSH_AUTH_DENIED:
        return {FtpResult::Failure(FtpStatus::Refused,
                                   refused + QCoreApplication::translate("SshSession", "（") + Error() +
                                       QCoreApplication::translate("SshSession", "）")),
                SshAuthOutcome::Denied};
    default:
        return {FtpResult::Failure(FtpStatus::Network,
                                   QCoreApplication::translate("SshSession", "SSH 登入失敗：") + Error()),
                SshAuthOutcome::Denied};
    }
}

FtpValue<SshAuthOutcome> CSshSession::AuthenticateNone()
{
    const QString what = QCoreApplication::translate("SshSession", "SSH 登入失敗");
    return Outcome(Drive([this] { return ssh_userauth_none(m_session, nullptr); }, SSH_AUTH_AGAIN, what),
                   what);
}

int CSshSession::Methods() const
{
    return m_session ? ssh_userauth_list(m_session, nullptr) : 0;
}

FtpValue<SshAuthOutcome> CSshSession::AuthenticatePassword(const QByteArray& password)
{
    const FtpValue<int> rc =
        Drive([this, &password] { return ssh_userauth_password(m_session, nullptr, password.constData()); },
              SSH_AUTH_AGAIN, QCoreApplication::translate("SshSession", "SSH 密碼登入失敗"));
    return Outcome(rc, QCoreApplication::translate("SshSession", "登入失敗：伺服器拒絕了使用者名稱或密碼"));
}

FtpValue<SshAuthOutcome> CSshSession::AuthenticateKeyboard(const QByteArray& user, const QByteArray& password)
{
    const QString what = QCoreApplication::translate("SshSession", "SSH 鍵盤互動登入失敗");
    for (int round = 0; round < kMaxKeyboardRounds; ++round)
    {
        const FtpValue<int> rc =
            Drive([this] { return ssh_userauth_kbdint(m_session, nullptr, nullptr); }, SSH_AUTH_AGAIN, what);
        if (!rc.result.Ok() || rc.value != SSH_AUTH_INFO)
            return Outcome(
                rc, QCoreApplication::translate("SshSession", "登入失敗：伺服器拒絕了使用者名稱或密碼"));
        const int prompts = ssh_userauth_kbdint_getnprompts(m_session);
        for (int i = 0; i < prompts; ++i)
        {
            char echo = 0;
            ssh_userauth_kbdint_getprompt(m_session, unsigned(i), &echo);
            const QByteArray& answer = echo ? user : password;
            ssh_userauth_kbdint_setanswer(m_session, unsigned(i), answer.constData());
        }
    }
    return {FtpResult::Failure(FtpStatus::Refused,
                               what + QCoreApplication::translate("SshSession", "：伺服器一再要求更多回答")),
            SshAuthOutcome::Denied};
}

FtpValue<SshAuthOutcome> CSshSession::AuthenticateKey(ssh_key_struct* key)
{
    const FtpValue<int> rc =
        Drive([this, key] { return ssh_userauth_publickey(m_session, nullptr, key); }, SSH_AUTH_AGAIN,
              QCoreApplication::translate("SshSession", "SSH 金鑰登入失敗"));
    return Outcome(rc, QCoreApplication::translate("SshSession", "登入失敗：伺服器不接受這把金鑰"));
}

FtpValue<std::unique_ptr<CSshChannel>> CSshSession::OpenChannel(const QString& what)
{
    ssh_channel channel = ssh_channel_new(m_session);
    if (!channel)
        return {FtpResult::Failure(FtpStatus::Network,
                                   what + QCoreApplication::translate("SshSession", "：") + Error()),
                nullptr};
    auto owned = std::make_unique<CSshChannel>(*this, channel);
    const FtpValue<int> rc = Drive([channel] { return ssh_channel_open_session(channel); }, SSH_AGAIN, what);
    if (!rc.result.Ok())
        return {rc.result, nullptr};
    if (rc.value != SSH_OK)
        return {FtpResult::Failure(FtpStatus::Refused,
                                   what + QCoreApplication::translate("SshSession", "：") + Error()),
                nullptr};
    return {FtpResult::Success(), std::move(owned)};
}

FtpValue<std::unique_ptr<CSshChannel>> CSshSession::OpenSubsystem(const QByteArray& name)
{
    const QString what =
        QCoreApplication::translate("SshSession", "無法啟動 SSH 子系統 %1").arg(QString::fromUtf8(name));
    FtpValue<std::unique_ptr<CSshChannel>> opened = OpenChannel(what);
    if (!opened.result.Ok())
        return opened;
    ssh_channel channel = opened.value->Handle();
    const FtpValue<int> rc =
        Drive([channel, &name] { return ssh_channel_request_subsystem(channel, name.constData()); },
              SSH_AGAIN, what);
    if (!rc.result.Ok())
        return {rc.result, nullptr};
    if (rc.value != SSH_OK)
        return {FtpResult::Failure(FtpStatus::Refused,
                                   what + QCoreApplication::translate("SshSession", "：") + Error()),
                nullptr};
    return opened;
}

FtpValue<std::unique_ptr<CSshChannel>> CSshSession::OpenExec(const QByteArray& command)
{
    const QString what = QCoreApplication::translate("SshSession", "伺服器無法執行命令");
    FtpValue<std::unique_ptr<CSshChannel>> opened = OpenChannel(what);
    if (opened.result.status == FtpStatus::Refused)
        return {FtpResult::Success(), nullptr};
    if (!opened.result.Ok())
        return opened;
    ssh_channel channel = opened.value->Handle();
    const FtpValue<int> rc =
        Drive([channel, &command] { return ssh_channel_request_exec(channel, command.constData()); },
              SSH_AGAIN, what);
    if (!rc.result.Ok())
        return {rc.result, nullptr};
    if (rc.value != SSH_OK)
        return {FtpResult::Success(), nullptr};
    return opened;
}

IoResult CSshSession::Wait(int timeoutMs) const
{
    if (!m_session)
        return IoResult::Fail(IoStatus::Closed);
    const short events = POLLIN | ((ssh_get_poll_flags(m_session) & SSH_WRITE_PENDING) ? POLLOUT : 0);
    const IoStatus status = m_cancel.Wait(ssh_get_fd(m_session), events, timeoutMs);
    return status == IoStatus::Ok ? IoResult::Done() : IoResult::Fail(status);
}

QString CSshSession::Error() const
{
    return m_session ? QString::fromUtf8(ssh_get_error(m_session)) : QString();
}

void CSshSession::Close()
{
    if (!m_session)
        return;
    if (ssh_is_connected(m_session))
        ssh_disconnect(m_session);
    ssh_free(m_session);
    m_session = nullptr;
}
