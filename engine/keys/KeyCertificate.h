#pragma once

#include "engine/FtpResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
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

enum class KeyAlgorithm
{
    Rsa,
    Dsa,
    Ed25519 // always 256 bits; made by libssh and written in OpenSSH's own private key format
};

// What a new self-signed certificate says about its owner, and when it is valid.
struct CertificateRequest
{
    QString name; // stands in for the common name when that is empty
    QMap<CertificateField, QString> subject;
    QDateTime notBefore, notAfter;
};

// A private key and a certificate: the key for SSH public-key log-in, the client certificate and key for
// TLS, or a server's certificate to show and to trust. OpenSSL 3 reads PEM, DER and PKCS#12; libssh reads
// OpenSSH's own private key format, which OpenSSL cannot. It also makes new key pairs and self-signed
// certificates and writes them as PEM.
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
    // PEM or DER; a PKCS#12 file needs its password (LogInRefused when it is missing or wrong) and also
    // brings its private key when none is loaded.
    FtpResult LoadCertificate(const QString& path, const QByteArray& password = {});
    // A certificate from its text, as the trusted-certificate list keeps it.
    FtpResult LoadCertificateText(const QByteArray& text);

    bool HasPrivateKey() const { return m_key != nullptr || m_sshKey != nullptr; }
    bool HasCertificate() const { return m_certificate != nullptr; }

    // A new key pair in place of the loaded key and certificate. Sizes OpenSSL refuses, or would quietly
    // round to another size, fail with a message naming the type and size.
    FtpResult GenerateKey(KeyAlgorithm algorithm, int bits);
    // PEM (PKCS#8), encrypted with AES-256 when a pass phrase is given; readable by the owner only.
    FtpResult WritePrivateKey(const QString& path, const QByteArray& passphrase = {}) const;
    // A self-signed X.509 v3 certificate for the loaded key, signed with SHA-256, in place of the loaded
    // certificate.
    FtpResult CreateSelfSigned(const CertificateRequest& request);
    // The certificate as PEM.
    FtpResult WriteCertificate(const QString& path) const;

    // "ssh-ed25519", "ssh-rsa", "ecdsa-sha2-nistp256", ...; empty when the key cannot sign SSH log-ins.
    QByteArray KeyType() const;
    // The public half in OpenSSH's one-line form: "ssh-ed25519 AAAA...", "ssh-rsa AAAA...", also for
    // keys too small for libssh, "ssh-dss AAAA..." for DSA keys.
    QByteArray PublicKeyText() const;

    // The certificate as PEM text; empty without one.
    QByteArray Text() const;
    QString SubjectField(CertificateField field) const;
    QString IssuerField(CertificateField field) const;
    QDateTime NotBefore() const; // UTC
    QDateTime NotAfter() const;
    // One-line names ("C = TW, O = ..., CN = ...") and the expiry in the locale's date and time format,
    // for lists of certificates; empty without a certificate.
    QString IssuerText() const;
    QString SubjectText() const;
    QString ExpiryText() const;
    // Every field in readable form, as openssl x509 -text shows it.
    QString Dump() const;

    // Owned here; null when not loaded. OpenSSH-format keys have no OpenSSL key.
    evp_pkey_st* PrivateKey() const { return m_key; }
    x509_st* Certificate() const { return m_certificate; }
    ssh_key_struct* SshKey() const { return m_sshKey; }

private:
    FtpResult WriteOpenSshKey(const QString& path, const QByteArray& passphrase, const QString& what) const;
    FtpResult LoadOpenSshKey(const QByteArray& content, const QByteArray& passphrase, const QString& what);
    FtpResult LoadOpenSslKey(const QByteArray& content, const QByteArray& passphrase, const QString& what);
    FtpResult LoadPkcs12(const QByteArray& content, const QByteArray& password, const QString& what);
    void TakeKey(evp_pkey_st* key);
    void TakeCertificate(x509_st* certificate);

    evp_pkey_st* m_key = nullptr;
    ssh_key_struct* m_sshKey = nullptr;
    x509_st* m_certificate = nullptr;
};
