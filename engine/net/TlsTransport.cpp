// TLS connections for FTP (RFC 4217) with OpenSSL 3.
#include "engine/net/TlsTransport.h"

#include "engine/net/CancelToken.h"
#include "engine/net/CertificateNames.h"
#include "engine/net/SocketAddress.h"
#include "engine/net/TlsContext.h"

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace
{
bool IsNumericHost(const QByteArray& host)
{
    return CSocketAddress::FromNumeric(host, 0).IsValid();
}

QString NameText(const X509_NAME* name)
{
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, size);
    BIO_free(bio);
    return text;
}

QByteArray PemText(X509* certificate)
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QByteArray pem(data, size);
    BIO_free(bio);
    return pem;
}

QDateTime TimeOf(const ASN1_TIME* time)
{
    tm parts{};
    if (ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

QByteArray Fingerprint(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

// A peer that resets the connection must not raise SIGPIPE in the owner's process.
int WriteWithoutSignal(BIO* bio, const char* data, size_t size, size_t* written)
{
    int fd = -1;
    BIO_get_fd(bio, &fd);
    BIO_clear_retry_flags(bio);
    const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent >= 0)
    {
        *written = size_t(sent);
        return 1;
    }
    if (BIO_sock_should_retry(-1))
        BIO_set_retry_write(bio);
    return 0;
}

int ReadSocket(BIO* bio, char* data, size_t size, size_t* read)
{
    int fd = -1;
    BIO_get_fd(bio, &fd);
    BIO_clear_retry_flags(bio);
    const ssize_t got = recv(fd, data, size, 0);
    if (got > 0)
    {
        *read = size_t(got);
        return 1;
    }
    if (got == 0)
        BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
    else if (BIO_sock_should_retry(-1))
        BIO_set_retry_read(bio);
    return 0;
}

const BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* const method = []
    {
        const BIO_METHOD* socket = BIO_s_socket();
        BIO_METHOD* own = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
        BIO_meth_set_write_ex(own, WriteWithoutSignal);
        BIO_meth_set_read_ex(own, ReadSocket);
        BIO_meth_set_puts(own, BIO_meth_get_puts(socket));
        BIO_meth_set_ctrl(own, BIO_meth_get_ctrl(socket));
        BIO_meth_set_create(own, BIO_meth_get_create(socket));
        BIO_meth_set_destroy(own, BIO_meth_get_destroy(socket));
        return own;
    }();
    return method;
}

// OpenSSL's own client order with the group first, which gets the one key share sent.
void OfferGroupFirst(SSL* ssl, int group)
{
    static const int kGroups[] = {NID_X25519, NID_X9_62_prime256v1, NID_X448, NID_secp521r1, NID_secp384r1};
    std::vector<int> groups{group};
    for (const int nid : kGroups)
    {
        if (nid != group)
            groups.push_back(nid);
    }
    SSL_set1_groups(ssl, groups.data(), groups.size());
}
} // namespace

CTlsTransport::CTlsTransport(std::unique_ptr<CTransport> lower, CTlsContext& context,
                             const CCancelToken& cancel)
    : m_lower(std::move(lower)), m_context(context), m_cancel(cancel), m_ssl(SSL_new(context.Handle()))
{
    BIO* bio = BIO_new(SocketMethod());
    BIO_set_fd(bio, m_lower->Fd(), BIO_NOCLOSE);
    SSL_set_bio(m_ssl, bio, bio);
}

CTlsTransport::~CTlsTransport()
{
    SSL_free(m_ssl);
}

IoResult CTlsTransport::Handshake(const QByteArray& hostName, bool resumeSession, int timeoutMs)
{
    if (!IsNumericHost(hostName))
        SSL_set_tlsext_host_name(m_ssl, hostName.constData());
    SSL_SESSION* session = resumeSession ? m_context.SessionToResume() : nullptr;
    if (session)
        SSL_set_session(m_ssl, session);
    if (m_context.ChosenGroup() != 0)
        OfferGroupFirst(m_ssl, m_context.ChosenGroup());
    for (;;)
    {
        ERR_clear_error();
        const int ret = SSL_connect(m_ssl);
        if (ret == 1)
        {
            const int group = SSL_get_negotiated_group(m_ssl);
            // Groups OpenSSL has no name for carry a flag and cannot be offered by number.
            if (group > 0 && (group & TLSEXT_nid_unknown) == 0)
                m_context.NoteChosenGroup(group);
            m_context.NoteResumption(session != nullptr, SessionReused());
            return IoResult::Done();
        }
        const IoResult waited = Await(ret, timeoutMs);
        if (!waited.Ok())
            return waited;
    }
}

bool CTlsTransport::SessionReused() const
{
    return SSL_session_reused(m_ssl) == 1;
}

QByteArray CTlsTransport::Version() const
{
    return QByteArray(SSL_get_version(m_ssl));
}

ServerCertificate CTlsTransport::PeerCertificate(const QByteArray& hostName) const
{
    ServerCertificate result;
    X509* certificate = SSL_get1_peer_certificate(m_ssl);
    if (!certificate)
    {
        result.problem = QCoreApplication::translate("TlsTransport", "伺服器未提供憑證");
        return result;
    }
    result.pem = PemText(certificate);
    result.subject = NameText(X509_get_subject_name(certificate));
    result.issuer = NameText(X509_get_issuer_name(certificate));
    result.notBefore = TimeOf(X509_get0_notBefore(certificate));
    result.notAfter = TimeOf(X509_get0_notAfter(certificate));
    result.sha256 = Fingerprint(certificate);
    const long verified = SSL_get_verify_result(m_ssl);
    const bool named = CertificateNamesHost(certificate, hostName);
    result.trusted = verified == X509_V_OK && named;
    // Both faults when both hold: a self-signed certificate for another host is two reasons to stop.
    QStringList problems;
    if (verified != X509_V_OK)
        problems << QString::fromUtf8(X509_verify_cert_error_string(verified));
    if (!named)
        problems << QCoreApplication::translate("TlsTransport", "憑證不是發給 ") +
                        QString::fromUtf8(hostName) + QCoreApplication::translate("TlsTransport", " 的");
    result.problem = problems.join(QCoreApplication::translate("TlsTransport", "；"));
    X509_free(certificate);
    return result;
}

std::unique_ptr<CTransport> CTlsTransport::Unwrap(int timeoutMs, IoResult* result)
{
    // Our close_notify first (ret 0), then the server's (ret 1) before the connection goes on in clear.
    for (;;)
    {
        ERR_clear_error();
        const int ret = SSL_shutdown(m_ssl);
        if (ret == 1)
            break;
        const IoResult waited =
            ret == 0 ? IoResult{m_cancel.Wait(Fd(), POLLIN, timeoutMs), 0, {}} : Await(ret, timeoutMs);
        if (!waited.Ok())
        {
            *result = waited;
            return nullptr;
        }
    }
    *result = IoResult::Done();
    return std::move(m_lower);
}

IoResult CTlsTransport::Read(char* data, qint64 size, int timeoutMs)
{
    if (m_cancel.IsSet())
        return IoResult::Fail(IoStatus::Cancelled);
    for (;;)
    {
        ERR_clear_error();
        size_t got = 0;
        const int ret = SSL_read_ex(m_ssl, data, size_t(size), &got);
        if (ret == 1)
            return ReadMore(data, size, qint64(got));
        const IoResult waited = Await(ret, timeoutMs);
        if (!waited.Ok())
            return waited;
    }
}

// One TLS record is at most 16 KiB: gather what has already arrived so the caller gets large blocks.
IoResult CTlsTransport::ReadMore(char* data, qint64 size, qint64 got)
{
    while (got < size)
    {
        ERR_clear_error();
        size_t more = 0;
        if (SSL_read_ex(m_ssl, data + got, size_t(size - got), &more) != 1)
        {
            ERR_clear_error();
            break;
        }
        got += qint64(more);
    }
    return IoResult::Done(got);
}

IoResult CTlsTransport::Write(const char* data, qint64 size, int timeoutMs)
{
    if (m_cancel.IsSet())
        return IoResult::Fail(IoStatus::Cancelled);
    qint64 done = 0;
    while (done < size)
    {
        ERR_clear_error();
        size_t sent = 0;
        const int ret = SSL_write_ex(m_ssl, data + done, size_t(size - done), &sent);
        if (ret == 1)
        {
            done += qint64(sent);
            continue;
        }
        const IoResult waited = Await(ret, timeoutMs);
        if (!waited.Ok())
            return waited;
    }
    return IoResult::Done(done);
}

IoResult CTlsTransport::Finish(int timeoutMs)
{
    TakeArrivedRecords();
    for (;;)
    {
        ERR_clear_error();
        const int ret = SSL_shutdown(m_ssl);
        if (ret >= 0)
            break;
        const IoResult waited = Await(ret, timeoutMs);
        if (!waited.Ok())
            return waited;
    }
    const IoResult finished = m_lower->Finish(timeoutMs);
    if (!finished.Ok())
        return finished;
    return AwaitPeerClose(timeoutMs);
}

// Session tickets that arrived on a connection this side only wrote to; OpenSSL drops them once our
// close_notify has gone out.
void CTlsTransport::TakeArrivedRecords()
{
    char discard[4096];
    size_t got = 0;
    ERR_clear_error();
    while (SSL_read_ex(m_ssl, discard, sizeof discard, &got) == 1)
        ERR_clear_error();
    ERR_clear_error();
}

// Reading to the end takes in the session tickets the server sent after the handshake, which the
// next data connection needs when the server accepts each ticket once.
IoResult CTlsTransport::AwaitPeerClose(int timeoutMs)
{
    char discard[4096];
    for (;;)
    {
        ERR_clear_error();
        size_t got = 0;
        const int ret = SSL_read_ex(m_ssl, discard, sizeof discard, &got);
        if (ret == 1)
            continue;
        // However the server ends the connection now, its reply on the control connection tells
        // whether the upload arrived; only a wait that ran out or was cancelled counts here.
        const IoResult waited = Await(ret, timeoutMs);
        if (waited.status == IoStatus::Closed || waited.status == IoStatus::Failed)
            return IoResult::Done();
        if (!waited.Ok())
            return waited;
    }
}

void CTlsTransport::Abort()
{
    SSL_set_quiet_shutdown(m_ssl, 1);
    m_lower->Abort();
}

int CTlsTransport::Fd() const
{
    return m_lower ? m_lower->Fd() : -1;
}

IoResult CTlsTransport::Await(int ret, int timeoutMs)
{
    const int error = SSL_get_error(m_ssl, ret);
    short events = 0;
    if (error == SSL_ERROR_WANT_READ)
        events = POLLIN;
    else if (error == SSL_ERROR_WANT_WRITE)
        events = POLLOUT;
    else if (error == SSL_ERROR_ZERO_RETURN)
        return IoResult::Fail(IoStatus::Closed);
    else if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)
        return errno ? IoResult::FromErrno(errno) : IoResult::Fail(IoStatus::Closed);
    else
        return IoResult::Fail(IoStatus::Failed, CTlsContext::ErrorText());
    const IoStatus status = m_cancel.Wait(Fd(), events, timeoutMs);
    return status == IoStatus::Ok ? IoResult::Done() : IoResult::Fail(status);
}
