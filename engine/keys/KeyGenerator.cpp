#include "engine/keys/KeyGenerator.h"

#include <QCoreApplication>
#include <QList>
#include <QtEndian>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/dsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace
{
// Far beyond the sizes offered; keeps a mistyped size from running for hours.
constexpr int kMaxBits = 16384;

using PkeyContext = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;
using Pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

QString OpenSslReason()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QCoreApplication::translate("KeyGenerator", "（%1）").arg(QString::fromUtf8(text));
}

FtpResult Failure(const QString& what, const QString& why)
{
    return FtpResult::Failure(FtpStatus::Local,
                              what + QCoreApplication::translate("KeyGenerator", "：") + why);
}

QString AlgorithmName(KeyAlgorithm algorithm)
{
    return algorithm == KeyAlgorithm::Rsa ? QStringLiteral("RSA") : QStringLiteral("DSA");
}

EVP_PKEY* GenerateRsa(int bits)
{
    return EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(bits));
}

EVP_PKEY* GenerateDsa(int bits)
{
    PkeyContext parameterContext(EVP_PKEY_CTX_new_from_name(nullptr, "DSA", nullptr), &EVP_PKEY_CTX_free);
    EVP_PKEY* parameters = nullptr;
    if (!parameterContext || EVP_PKEY_paramgen_init(parameterContext.get()) <= 0 ||
        EVP_PKEY_CTX_set_dsa_paramgen_bits(parameterContext.get(), bits) <= 0 ||
        EVP_PKEY_paramgen(parameterContext.get(), &parameters) <= 0)
        return nullptr;
    const Pkey owned(parameters, &EVP_PKEY_free);
    PkeyContext keyContext(EVP_PKEY_CTX_new_from_pkey(nullptr, parameters, nullptr), &EVP_PKEY_CTX_free);
    EVP_PKEY* key = nullptr;
    if (!keyContext || EVP_PKEY_keygen_init(keyContext.get()) <= 0 ||
        EVP_PKEY_keygen(keyContext.get(), &key) <= 0)
        return nullptr;
    return key;
}

struct NameEntry
{
    CertificateField field;
    int nid;
    const char* label;
};

// In the order the subject lists them.
const NameEntry kNameEntries[] = {
    {CertificateField::Country, NID_countryName, QT_TRANSLATE_NOOP("KeyGenerator", "國家")},
    {CertificateField::State, NID_stateOrProvinceName, QT_TRANSLATE_NOOP("KeyGenerator", "省(州)")},
    {CertificateField::City, NID_localityName, QT_TRANSLATE_NOOP("KeyGenerator", "城市")},
    {CertificateField::Organisation, NID_organizationName, QT_TRANSLATE_NOOP("KeyGenerator", "組織")},
    {CertificateField::Unit, NID_organizationalUnitName, QT_TRANSLATE_NOOP("KeyGenerator", "部門")},
    {CertificateField::CommonName, NID_commonName, QT_TRANSLATE_NOOP("KeyGenerator", "通俗名稱")},
    {CertificateField::Email, NID_pkcs9_emailAddress, QT_TRANSLATE_NOOP("KeyGenerator", "電子郵件")},
};

QString FieldValue(const CertificateRequest& request, CertificateField field)
{
    const QString value = request.subject.value(field);
    return field == CertificateField::CommonName && value.isEmpty() ? request.name : value;
}

// Empty on success, else which field OpenSSL refused (a country must have two letters, say).
QString FillName(X509_NAME* name, const CertificateRequest& request)
{
    for (const NameEntry& entry : kNameEntries)
    {
        const QByteArray value = FieldValue(request, entry.field).toUtf8();
        if (value.isEmpty())
            continue;
        if (X509_NAME_add_entry_by_NID(name, entry.nid, MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(value.constData()),
                                       int(value.size()), -1, 0) != 1)
            return QCoreApplication::translate("KeyGenerator", "%1「%2」不被接受%3")
                .arg(QCoreApplication::translate("KeyGenerator", entry.label), QString::fromUtf8(value),
                     OpenSslReason());
    }
    return {};
}

bool SetSerial(X509* certificate)
{
    quint64 serial = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof serial) != 1)
        return false;
    // Positive and of full length, as RFC 5280 asks.
    serial = (serial & 0x7fffffffffffffffULL) | 0x4000000000000000ULL;
    return ASN1_INTEGER_set_uint64(X509_get_serialNumber(certificate), serial) == 1;
}

bool SetValidity(X509* certificate, const CertificateRequest& request)
{
    return ASN1_TIME_set(X509_getm_notBefore(certificate), time_t(request.notBefore.toSecsSinceEpoch())) &&
           ASN1_TIME_set(X509_getm_notAfter(certificate), time_t(request.notAfter.toSecsSinceEpoch()));
}

bool AddExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    const bool added = extension && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A leaf that peers trust by itself: no key usage, so OpenSSL still sees it as self-signed.
bool AddExtensions(X509* certificate)
{
    return AddExtension(certificate, NID_basic_constraints, "critical,CA:FALSE") &&
           AddExtension(certificate, NID_subject_key_identifier, "hash");
}

const EVP_MD* DigestFor(EVP_PKEY* key)
{
    const bool signsWhole = EVP_PKEY_is_a(key, "ED25519") || EVP_PKEY_is_a(key, "ED448");
    return signsWhole ? nullptr : EVP_sha256();
}

void AddString(QByteArray& bytes, const QByteArray& value)
{
    char size[4];
    qToBigEndian(quint32(value.size()), size);
    bytes.append(size, 4).append(value);
}

// An SSH mpint: big-endian, with a leading zero byte when the top bit is set.
bool AddNumber(QByteArray& bytes, EVP_PKEY* key, const char* name)
{
    BIGNUM* number = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &number) != 1)
        return false;
    QByteArray value(BN_num_bytes(number), Qt::Uninitialized);
    BN_bn2bin(number, reinterpret_cast<unsigned char*>(value.data()));
    BN_free(number);
    if (!value.isEmpty() && (uchar(value[0]) & 0x80) != 0)
        value.prepend('\0');
    AddString(bytes, value);
    return true;
}
} // namespace

FtpValue<EVP_PKEY*> CKeyGenerator::Generate(KeyAlgorithm algorithm, int bits)
{
    const QString what = QCoreApplication::translate("KeyGenerator", "無法產生 %1 位元的 %2 金鑰")
                             .arg(bits)
                             .arg(AlgorithmName(algorithm));
    if (bits <= 0 || bits > kMaxBits)
        return {Failure(what,
                        QCoreApplication::translate("KeyGenerator", "位元數須在 1 到 %1 之間").arg(kMaxBits)),
                nullptr};
    ERR_clear_error();
    EVP_PKEY* key = algorithm == KeyAlgorithm::Rsa ? GenerateRsa(bits) : GenerateDsa(bits);
    if (!key)
        return {Failure(what, QCoreApplication::translate("KeyGenerator", "OpenSSL 不接受這個組合") +
                                  OpenSslReason()),
                nullptr};
    const int made = EVP_PKEY_get_bits(key);
    if (made != bits)
    {
        EVP_PKEY_free(key);
        return {
            Failure(what,
                    QCoreApplication::translate("KeyGenerator", "OpenSSL 只能產生 %1 位元的金鑰").arg(made)),
            nullptr};
    }
    return {FtpResult::Success(), key};
}

FtpValue<X509*> CKeyGenerator::SelfSigned(EVP_PKEY* key, const CertificateRequest& request)
{
    const QString what = QCoreApplication::translate("KeyGenerator", "無法建立自我簽署憑證");
    if (!key)
        return {Failure(what, QCoreApplication::translate("KeyGenerator", "沒有私密金鑰")), nullptr};
    if (!request.notBefore.isValid() || !request.notAfter.isValid() || request.notAfter <= request.notBefore)
        return {Failure(what, QCoreApplication::translate("KeyGenerator", "有效期限必須晚於生效時間")),
                nullptr};
    ERR_clear_error();
    Certificate certificate(X509_new(), &X509_free);
    if (!certificate)
        return {Failure(what, OpenSslReason()), nullptr};
    const QString refused = FillName(X509_get_subject_name(certificate.get()), request);
    if (!refused.isEmpty())
        return {Failure(what, refused), nullptr};
    X509* made = certificate.get();
    const bool built =
        X509_set_version(made, X509_VERSION_3) == 1 && SetSerial(made) && SetValidity(made, request) &&
        X509_set_issuer_name(made, X509_get_subject_name(made)) == 1 && X509_set_pubkey(made, key) == 1 &&
        AddExtensions(made) && X509_sign(made, key, DigestFor(key)) > 0;
    if (!built)
        return {
            Failure(what, QCoreApplication::translate("KeyGenerator", "OpenSSL 無法簽署") + OpenSslReason()),
            nullptr};
    return {FtpResult::Success(), certificate.release()};
}

QByteArray CKeyGenerator::OpenSshPublicKey(EVP_PKEY* key)
{
    const bool rsa = key && EVP_PKEY_is_a(key, "RSA");
    if (!rsa && !(key && EVP_PKEY_is_a(key, "DSA")))
        return {};
    const QByteArray type = rsa ? "ssh-rsa" : "ssh-dss";
    QByteArray blob;
    AddString(blob, type);
    static const QList<const char*> kRsaNumbers = {OSSL_PKEY_PARAM_RSA_E, OSSL_PKEY_PARAM_RSA_N};
    static const QList<const char*> kDsaNumbers = {OSSL_PKEY_PARAM_FFC_P, OSSL_PKEY_PARAM_FFC_Q,
                                                   OSSL_PKEY_PARAM_FFC_G, OSSL_PKEY_PARAM_PUB_KEY};
    for (const char* name : rsa ? kRsaNumbers : kDsaNumbers)
    {
        if (!AddNumber(blob, key, name))
            return {};
    }
    return type + ' ' + blob.toBase64();
}
