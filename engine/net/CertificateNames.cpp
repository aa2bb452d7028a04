#include "engine/net/CertificateNames.h"

#include "engine/net/SocketAddress.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

bool CertificateNamesHost(X509* certificate, const QByteArray& host)
{
    if (CSocketAddress::FromNumeric(host, 0).IsValid())
        return X509_check_ip_asc(certificate, host.constData(), 0) == 1;
    return X509_check_host(certificate, host.constData(), size_t(host.size()), 0, nullptr) == 1;
}

bool CertificateNamesHost(const QByteArray& pem, const QByteArray& host)
{
    BIO* bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!certificate)
        return false;
    const bool named = !host.isEmpty() && CertificateNamesHost(certificate, host);
    X509_free(certificate);
    return named;
}
