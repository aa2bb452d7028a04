#include "engine/Checksum.h"

#include <QCoreApplication>
#include <QFile>
#include <memory>
#include <openssl/evp.h>
#include <vector>
#include <zlib.h>

namespace
{

constexpr qint64 kBlockSize = 1024 * 1024;

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Hands the file to consume block by block; false with *error set on a read error, a refused block
// or cancel.
template <typename Consume>
bool ReadBlocks(QFile& file, const std::atomic<bool>* cancel, QString* error, Consume consume)
{
    std::vector<char> block(kBlockSize);
    for (;;)
    {
        if (cancel && cancel->load())
            return Fail(error, QCoreApplication::translate("Checksum", "計算檢查碼已取消"));
        const qint64 got = file.read(block.data(), kBlockSize);
        if (got < 0)
            return Fail(error, QCoreApplication::translate("Checksum", "讀取檔案 \"%1\" 失敗：%2")
                                   .arg(file.fileName(), file.errorString()));
        if (got == 0)
            return true;
        if (!consume(block.data(), got))
            return Fail(error, QCoreApplication::translate("Checksum", "無法計算檢查碼：OpenSSL 摘要失敗"));
    }
}

QByteArray Crc32Hex(QFile& file, const std::atomic<bool>* cancel, QString* error)
{
    uLong crc = crc32(0, nullptr, 0);
    const bool read = ReadBlocks(file, cancel, error,
                                 [&crc](const char* data, qint64 size)
                                 {
                                     crc = crc32(crc, reinterpret_cast<const Bytef*>(data), uInt(size));
                                     return true;
                                 });
    return read ? QByteArray::number(qulonglong(crc), 16).rightJustified(8, '0') : QByteArray();
}

QByteArray DigestHex(QFile& file, const EVP_MD* type, const std::atomic<bool>* cancel, QString* error)
{
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), type, nullptr) != 1)
    {
        Fail(error, QCoreApplication::translate("Checksum", "無法計算檢查碼：OpenSSL 摘要無法使用"));
        return {};
    }
    const bool read = ReadBlocks(file, cancel, error,
                                 [&context](const char* data, qint64 size)
                                 { return EVP_DigestUpdate(context.get(), data, size_t(size)) == 1; });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!read || EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

bool IsHex(const QByteArray& text)
{
    for (char c : text)
    {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return !text.isEmpty();
}

} // namespace

QByteArray LocalChecksum(const QString& path, ChecksumKind kind, const std::atomic<bool>* cancel,
                         QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        Fail(
            error,
            QCoreApplication::translate("Checksum", "無法開啟檔案 \"%1\"：%2").arg(path, file.errorString()));
        return {};
    }
    switch (kind)
    {
    case ChecksumKind::Crc32:
        return Crc32Hex(file, cancel, error);
    case ChecksumKind::Md5:
        return DigestHex(file, EVP_md5(), cancel, error);
    case ChecksumKind::Sha1:
        return DigestHex(file, EVP_sha1(), cancel, error);
    }
    Fail(error, QCoreApplication::translate("Checksum", "不支援的檢查碼種類 %1").arg(int(kind)));
    return {};
}

QByteArray NormaliseChecksum(const QByteArray& text)
{
    QByteArray hex = text.simplified().toLower();
    hex.replace(" ", "");
    if (hex.startsWith("0x"))
        hex.remove(0, 2);
    // Some servers drop a CRC32's leading zeros.
    if (hex.size() < 8 && IsHex(hex))
        hex = hex.rightJustified(8, '0');
    return hex;
}
