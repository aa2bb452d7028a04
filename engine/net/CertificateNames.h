#pragma once

#include <QByteArray>

#include <openssl/types.h>

// Whether a certificate is made out for a host: an address against its IP entries, a name against its
// DNS subject alternative names (the common name only when it has none), as RFC 6125 matches them.
bool CertificateNamesHost(X509* certificate, const QByteArray& host);
// The same for a certificate in PEM text; false when the text holds no certificate.
bool CertificateNamesHost(const QByteArray& pem, const QByteArray& host);
