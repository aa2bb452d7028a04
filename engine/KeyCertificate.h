#pragma once

#include "engine/FtpResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct evp_pkey_st;
struct ssh_key_struct;
struct x509_st;

enum class CertificateField
{
    Country,
    State,
    City,
    Organisation,
    Unit,
    CommonName,
    Email
};

// A private key and a certificate: the key for SSH public-key log-in, the client certificate and key for
// TLS, or a server's certificate to show and to trust. OpenSSL 3 reads PEM, DER and PKCS#12; libssh reads
// OpenSSH's own private key format, which OpenSSL cannot. Key and certificate generation will live here
// too.
class CKeyCertificate
{
public:
    CKeyCertificate();
    ~CKeyCertificate();
    CKeyCertificate(const CKeyCertificate&) = delete;
    CKeyCertificate& operator=(const CKeyCertificate&) = delete;

    // PEM (PKCS#1, PKCS#8, SEC1; encrypted or not), DER, or OpenSSH's format; an empty pass phrase for
    // keys without one. A failure leaves the key loaded before.
    FtpResult LoadPrivateKey(const QString& path, const QByteArray& passphrase = {});
    // PEM or DER; a PKCS#12 file needs its password and also brings its private key when none is loaded.
    FtpResult LoadCertificate(const QString& path, const QByteArray& password = {});
    // A certificate from its text, as the trusted-certificate list keeps it.
    FtpResult LoadCertificateText(const QByteArray& text);

    bool HasPrivateKey() const { return m_key != nullptr || m_sshKey != nullptr; }
    bool HasCertificate() const { return m_certificate != nullptr; }

    // "ssh-ed25519", "ssh-rsa", "ecdsa-sha2-nistp256", ...; empty when the key cannot sign SSH log-ins.
    QByteArray KeyType() const;
    // The public half in OpenSSH's one-line form: "ssh-ed25519 AAAA...".
    QByteArray PublicKeyText() const;

    // The certificate as PEM text; empty without one.
    QByteArray Text() const;
    QString SubjectField(CertificateField field) const;
    QString IssuerField(CertificateField field) const;
    QDateTime NotBefore() const; // UTC
    QDateTime NotAfter() const;

    // Owned here; null when not loaded. OpenSSH-format keys have no OpenSSL key.
    evp_pkey_st* PrivateKey() const { return m_key; }
    x509_st* Certificate() const { return m_certificate; }
    ssh_key_struct* SshKey() const { return m_sshKey; }

private:
    FtpResult LoadOpenSshKey(const QByteArray& content, const QByteArray& passphrase, const QString& what);
    FtpResult LoadOpenSslKey(const QByteArray& content, const QByteArray& passphrase, const QString& what);
    FtpResult LoadPkcs12(const QByteArray& content, const QByteArray& password, const QString& what);
    void TakeKey(evp_pkey_st* key);
    void TakeCertificate(x509_st* certificate);

    evp_pkey_st* m_key = nullptr;
    ssh_key_struct* m_sshKey = nullptr;
    x509_st* m_certificate = nullptr;
};
