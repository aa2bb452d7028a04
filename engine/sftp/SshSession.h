#pragma once

#include "engine/FtpResult.h"
#include "engine/net/IoResult.h"
#include "engine/sftp/SshHostKey.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class CCancelToken;
class CSshChannel;
struct ssh_session_struct;
struct ssh_key_struct;

enum class SshAuthOutcome
{
    LoggedIn,
    Denied,
    Partial // accepted, but the server wants another method as well
};

// One SSH connection (libssh) over a socket that is already connected, in non-blocking mode: every wait
// polls the socket together with the owner's cancel token and ends with a time-out. Nothing here reads
// ~/.ssh (no config, no agent, no default keys): the owner says what to use.
class CSshSession
{
public:
    CSshSession(const CCancelToken& cancel, int timeoutMs);
    ~CSshSession();
    CSshSession(const CSshSession&) = delete;
    CSshSession& operator=(const CSshSession&) = delete;

    // Key exchange over fd, which stays the caller's: libssh never closes a descriptor it was given, and
    // the caller must not close it before Close().
    FtpResult Start(int fd, const QByteArray& host, const QByteArray& user);
    std::optional<SshHostKey> HostKey() const;
    QByteArray ServerBanner() const;

    // "none" first: it logs in on servers that need nothing more and tells which methods are left.
    FtpValue<SshAuthOutcome> AuthenticateNone();
    // SSH_AUTH_METHOD_* bits the server still offers.
    int Methods() const;
    FtpValue<SshAuthOutcome> AuthenticatePassword(const QByteArray& password);
    // Hidden prompts get the password, echoed ones the user name.
    FtpValue<SshAuthOutcome> AuthenticateKeyboard(const QByteArray& user, const QByteArray& password);
    FtpValue<SshAuthOutcome> AuthenticateKey(ssh_key_struct* key);

    FtpValue<std::unique_ptr<CSshChannel>> OpenSubsystem(const QByteArray& name);
    // A server that refuses the channel or the command (no shell, no exec) gives a null channel; the
    // result fails only when the connection does.
    FtpValue<std::unique_ptr<CSshChannel>> OpenExec(const QByteArray& command);

    // Until the socket can move data (or the token is set, or the time is up).
    IoResult Wait(int timeoutMs) const;
    // libssh's own text for the last failure.
    QString Error() const;
    // Sends SSH_MSG_DISCONNECT when the connection still works, then frees everything.
    void Close();

private:
    template <typename Call> FtpValue<int> Drive(Call call, int again, const QString& what);
    FtpValue<SshAuthOutcome> Outcome(const FtpValue<int>& rc, const QString& refused);
    FtpValue<std::unique_ptr<CSshChannel>> OpenChannel(const QString& what);

    const CCancelToken& m_cancel;
    int m_timeoutMs;
    ssh_session_struct* m_session = nullptr;
};
