// TLS for FTP (RFC 4217): client context and session memory for data connection reuse.
#include "engine/net/TlsContext.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <memory>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace
{
using BioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;

BioPtr OpenFile(const QString& path)
{
    return BioPtr(BIO_new_file(QFile::encodeName(path).constData(), "rb"), BIO_free);
}

QString FileError(const QString& what, const QString& path)
{
    return what + QStringLiteral(" ") + path + QCoreApplication::translate("TlsContext", "：") +
           CTlsContext::ErrorText();
}
} // namespace

CTlsContext::CTlsContext() = default;

CTlsContext::~CTlsContext()
{
    for (SSL_SESSION* session : m_fresh)
        SSL_SESSION_free(session);
    SSL_SESSION_free(m_lastResumed);
    SSL_CTX_free(m_context);
}

SSL_SESSION* CTlsContext::SessionToResume()
{
    if (!m_fresh.empty())
    {
        SSL_SESSION_free(m_lastResumed);
        m_lastResumed = m_fresh.back();
        m_fresh.pop_back();
    }
    return m_lastResumed;
}

IoResult CTlsContext::Setup(const QString& certificateFile, const QString& keyFile,
                            const QByteArray& passphrase)
{
    m_context = SSL_CTX_new(TLS_client_method());
    if (!m_context)
        return IoResult::Fail(IoStatus::Failed, ErrorText());
    SSL_CTX_set_app_data(m_context, this);
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(m_context);
    // The owner decides about the certificate; the verification result is read after the handshake.
    SSL_CTX_set_verify(m_context, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_mode(m_context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Data connections end without close_notify on some servers; the control reply says how it went.
    SSL_CTX_set_options(m_context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_session_cache_mode(m_context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_context, &CTlsContext::OnNewSession);
    if (certificateFile.isEmpty() && keyFile.isEmpty())
        return IoResult::Done();
    return LoadClientCertificate(certificateFile, keyFile.isEmpty() ? certificateFile : keyFile, passphrase);
}

IoResult CTlsContext::LoadClientCertificate(const QString& certificateFile, const QString& keyFile,
                                            const QByteArray& passphrase)
{
    BioPtr certificateBio = OpenFile(certificateFile);
    X509* certificate =
        certificateBio ? PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr) : nullptr;
    if (!certificate)
        return IoResult::Fail(
            IoStatus::Failed,
            FileError(QCoreApplication::translate("TlsContext", "無法讀取用戶端憑證"), certificateFile));
    const int usedCertificate = SSL_CTX_use_certificate(m_context, certificate);
    X509_free(certificate);

    QByteArray secret = passphrase;
    BioPtr keyBio = OpenFile(keyFile);
    EVP_PKEY* key = keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, secret.data()) : nullptr;
    if (!key)
        return IoResult::Fail(
            IoStatus::Failed,
            FileError(QCoreApplication::translate("TlsContext", "無法讀取用戶端私密金鑰"), keyFile));
    const int usedKey = SSL_CTX_use_PrivateKey(m_context, key);
    EVP_PKEY_free(key);
    if (usedCertificate != 1 || usedKey != 1 || SSL_CTX_check_private_key(m_context) != 1)
        return IoResult::Fail(IoStatus::Failed,
                              QCoreApplication::translate("TlsContext", "用戶端憑證與私密金鑰不符：") +
                                  ErrorText());
    return IoResult::Done();
}

int CTlsContext::OnNewSession(ssl_st* ssl, SSL_SESSION* session)
{
    auto* self = static_cast<CTlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    self->m_fresh.push_back(session);
    if (self->m_fresh.size() > kKeptSessions)
    {
        SSL_SESSION_free(self->m_fresh.front());
        self->m_fresh.pop_front();
    }
    return 1; // the reference is ours now
}

QString CTlsContext::ErrorText()
{
    QStringList texts;
    while (const unsigned long code = ERR_get_error())
    {
        char text[256] = {};
        ERR_error_string_n(code, text, sizeof text);
        texts.append(QString::fromUtf8(text));
    }
    return texts.isEmpty() ? QStringLiteral("TLS error") : texts.join(QStringLiteral("; "));
}
