#pragma once

#include "engine/FtpResult.h"
#include "engine/keys/KeyCertificate.h"

#include <QByteArray>

// New keys and self-signed certificates from OpenSSL 3, and the OpenSSH public key form of RSA and DSA
// keys (RFC 4253, section 6.6), which libssh no longer gives for DSA.
class CKeyGenerator
{
public:
    // The caller owns the key; null with the reason when OpenSSL refuses or makes another size.
    static FtpValue<evp_pkey_st*> Generate(KeyAlgorithm algorithm, int bits);
    // The caller owns the certificate; null with the reason (a field OpenSSL refuses names it).
    static FtpValue<x509_st*> SelfSigned(evp_pkey_st* key, const CertificateRequest& request);
    // "ssh-rsa AAAA..." or "ssh-dss AAAA..."; empty for other keys.
    static QByteArray OpenSshPublicKey(evp_pkey_st* key);
};
