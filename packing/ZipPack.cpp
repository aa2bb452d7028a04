#include "packing/ZipPack.h"

#include "packing/PackProgress.h"
#include "packing/PackSelection.h"
#include "packing/ZipFileSource.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <zip.h>

namespace
{
constexpr qint64 ExtractBufferSize = 65536;
}

CZipPack::~CZipPack()
{
    if (m_archive != nullptr)
        zip_discard(m_archive);
}

std::optional<CZipException> CZipPack::Create(const QString& path)
{
    int error = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (m_archive == nullptr)
        return CZipException::FromLibzip(path, error, errno);
    m_path = path;
    m_writing = true;
    return std::nullopt;
}

std::optional<CZipException> CZipPack::AddFile(const QString& path, CPackProgress& progress)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = CZipFileSource::Create(m_archive, path, progress, &error);
    if (source == nullptr)
    {
        const CZipException result =
            CZipException::FromLibzip(path, zip_error_code_zip(&error), zip_error_code_system(&error));
        zip_error_fini(&error);
        return result;
    }
    zip_error_fini(&error);
    const zip_int64_t index =
        zip_file_add(m_archive, StoredName(path).toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0)
    {
        zip_source_free(source);
        return ArchiveError(path);
    }
    if (zip_set_file_compression(m_archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) != 0)
        return ArchiveError(path);
    return std::nullopt;
}

std::optional<CZipException> CZipPack::Close()
{
    zip* archive = m_archive;
    m_archive = nullptr;
    if (archive == nullptr || !m_writing)
    {
        if (archive != nullptr)
            zip_discard(archive);
        return std::nullopt;
    }
    if (zip_close(archive) == 0)
        return std::nullopt;
    const zip_error_t* error = zip_get_error(archive);
    const CZipException result =
        CZipException::FromLibzip(m_path, zip_error_code_zip(error), zip_error_code_system(error));
    zip_discard(archive);
    return result;
}

std::optional<CZipException> CZipPack::Open(const QString& path)
{
    int error = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (m_archive == nullptr)
        return CZipException::FromLibzip(path, error, errno);
    m_path = path;
    m_writing = false;
    return std::nullopt;
}

qint64 CZipPack::Count() const
{
    return m_archive == nullptr ? 0 : zip_get_num_entries(m_archive, 0);
}

std::optional<CZipPack::CEntryHeader> CZipPack::Header(qint64 index) const
{
    zip_stat_t stat;
    if (index < 0 || index >= Count() ||
        zip_stat_index(m_archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        return std::nullopt;
    CEntryHeader header;
    header.name = QString::fromUtf8(stat.name);
    header.encrypted = (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    header.directory = header.name.endsWith(QLatin1Char('/'));
    header.size = (stat.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(stat.size) : 0;
    return header;
}

void CZipPack::SetPassword(const QString& password)
{
    m_password = password.toUtf8();
    zip_set_default_password(m_archive, m_password.constData());
}

std::optional<CZipException> CZipPack::Extract(qint64 index, const QString& destination,
                                               CPackProgress& progress)
{
    const std::optional<CEntryHeader> header = Header(index);
    if (!header)
        return CZipException::FromLibzip(m_path, ZIP_ER_INVAL);
    const std::optional<QStringList> parts = SafePathParts(header->name);
    if (!parts)
        return CZipException::UnsafePath(header->name);
    if (header->directory)
        return MakeFolders(destination, *parts, header->name);
    if (const auto error = MakeFolders(destination, parts->mid(0, parts->size() - 1), header->name))
        return error;
    const QString target = destination + QLatin1Char('/') + parts->join(QLatin1Char('/'));
    const QFileInfo targetInfo(target);
    if (targetInfo.isSymLink())
        return CZipException::UnsafePath(header->name);
    if (targetInfo.isDir())
        return CZipException::FromLibzip(header->name, ZIP_ER_EXISTS);
    return ExtractFile(index, *header, target, progress);
}

std::optional<QStringList> CZipPack::SafePathParts(const QString& entryName)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A NUL would cut the path the system is given short of the name checked here.
    if (name.startsWith(QLatin1Char('/')) || drive.match(name).hasMatch() || name.contains(QChar()))
        return std::nullopt;
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts))
    {
        if (part == QLatin1String(".."))
            return std::nullopt;
        if (part != QLatin1String("."))
            parts.append(part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts;
}

std::optional<CZipException> CZipPack::MakeFolders(const QString& destination, const QStringList& parts,
                                                   const QString& entryName) const
{
    QString folder = destination;
    for (const QString& part : parts)
    {
        folder += QLatin1Char('/') + part;
        const QFileInfo info(folder);
        if (info.isSymLink())
            return CZipException::UnsafePath(entryName);
        if (info.exists() && !info.isDir())
            return CZipException::FromLibzip(entryName, ZIP_ER_EXISTS);
        if (!info.exists() && !QDir().mkdir(folder))
            return CZipException::FromLibzip(entryName, ZIP_ER_WRITE, errno);
    }
    return std::nullopt;
}

std::optional<CZipException> CZipPack::ExtractFile(qint64 index, const CEntryHeader& header,
                                                   const QString& target, CPackProgress& progress)
{
    zip_file_t* entry = zip_fopen_index(m_archive, static_cast<zip_uint64_t>(index), 0);
    if (entry == nullptr)
        return ArchiveError(header.name);
    QSaveFile out(target);
    std::optional<CZipException> failure;
    if (!out.open(QIODevice::WriteOnly))
        failure = CZipException(QStringLiteral("%1: %2").arg(target, out.errorString()));
    else
        failure = CopyEntry(entry, header, out, progress);
    zip_fclose(entry);
    if (failure)
        return failure;
    if (!out.commit())
        return CZipException(QStringLiteral("%1: %2").arg(target, out.errorString()));
    return std::nullopt;
}

// Reading to the end lets libzip check the CRC, so a damaged or wrongly decrypted entry fails here
// before the file is committed. Nothing beyond the size the headers declare is written: an entry that
// inflates to more would otherwise fill the disk before its CRC could fail.
std::optional<CZipException> CZipPack::CopyEntry(zip_file* entry, const CEntryHeader& header, QSaveFile& out,
                                                 CPackProgress& progress)
{
    QByteArray buffer(ExtractBufferSize, Qt::Uninitialized);
    for (qint64 done = 0;;)
    {
        const zip_int64_t count = zip_fread(entry, buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
        if (count == 0)
            return std::nullopt;
        if (count < 0)
        {
            const zip_error_t* error = zip_file_get_error(entry);
            if (zip_error_code_zip(error) == ZIP_ER_CRC || zip_error_code_zip(error) == ZIP_ER_INCONS)
                return CZipException::BadEntryData(header.name, zip_error_code_zip(error));
            return CZipException::FromLibzip(header.name, zip_error_code_zip(error),
                                             zip_error_code_system(error));
        }
        if (count > header.size - done)
            return CZipException::BadEntryData(header.name, ZIP_ER_INCONS);
        if (out.write(buffer.constData(), count) != count)
            return CZipException(QStringLiteral("%1: %2").arg(out.fileName(), out.errorString()));
        done += count;
        if (!progress.Report(header.name, done, header.size))
            return CZipException::FromLibzip(header.name, ZIP_ER_CANCELLED);
    }
}

CZipException CZipPack::ArchiveError(const QString& subject) const
{
    const zip_error_t* error = zip_get_error(m_archive);
    return CZipException::FromLibzip(subject, zip_error_code_zip(error), zip_error_code_system(error));
}
