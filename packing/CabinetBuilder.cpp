#include "packing/CabinetBuilder.h"

#include "packing/PackProgress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <libgcab.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr qsizetype MinimumFolderLength = 3;
constexpr qsizetype MaximumFolderLength = 255;
// Offset of the set ID in the cabinet header (CFHEADER), a little-endian 16-bit value; libgcab writes 0.
constexpr off_t SetIdOffset = 32;

template <typename T> struct CGObjectDeleter
{
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T> using CGObjectPtr = std::unique_ptr<T, CGObjectDeleter<T>>;

struct CErrorDeleter
{
    void operator()(GError* error) const { g_error_free(error); }
};
using CErrorPtr = std::unique_ptr<GError, CErrorDeleter>;

QString Reason(const GError* error)
{
    return error != nullptr ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

struct CAddedFile
{
    CGObjectPtr<GCabFile> file;
    QByteArray name;
};

struct CWriteState
{
    CPackProgress& progress;
    GCancellable* cancellable;
    qint64 count;
    qint64 done = 0;
};

// A new file beside the cabinet (created with the usual permissions), removed unless it is renamed into
// place; libgcab needs its stream to be seekable.
class CTemporaryCabinet
{
public:
    ~CTemporaryCabinet()
    {
        m_stream.reset();
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }

    std::optional<CPackError> Create(const QString& finalPath)
    {
        constexpr int Attempts = 100;
        for (int attempt = 0; attempt < Attempts; ++attempt)
        {
            const QByteArray path = QFile::encodeName(finalPath) + '.' +
                                    QByteArray::number(QRandomGenerator::global()->generate(), 16);
            const CGObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
            GError* rawError = nullptr;
            m_stream.reset(g_file_create(file.get(), G_FILE_CREATE_NONE, nullptr, &rawError));
            const CErrorPtr error(rawError);
            if (m_stream)
            {
                m_path = path;
                return std::nullopt;
            }
            if (!g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_EXISTS))
                return CPackError::Output(finalPath, Reason(error.get()));
        }
        return CPackError::Output(finalPath, QStringLiteral("no free temporary name"));
    }

    GOutputStream* Stream() const { return G_OUTPUT_STREAM(m_stream.get()); }

    // Overwrites bytes at offset once libgcab has written and closed the stream, then moves the file into
    // place.
    std::optional<CPackError> PatchAndRename(off_t offset, const QByteArray& bytes, const QString& finalPath)
    {
        GError* rawError = nullptr;
        if (!g_output_stream_close(Stream(), nullptr, &rawError))
            return CPackError::Output(finalPath, Reason(CErrorPtr(rawError).get()));
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CLOEXEC);
        const bool patched = fd >= 0 && ::pwrite(fd, bytes.constData(), bytes.size(), offset) == bytes.size();
        if (fd >= 0)
            ::close(fd);
        if (!patched)
            return CPackError::Output(finalPath, QStringLiteral("cannot write the cabinet header"));
        if (::rename(m_path.constData(), QFile::encodeName(finalPath).constData()) != 0)
            return CPackError::Output(finalPath, QString::fromLocal8Bit(std::strerror(errno)));
        m_path.clear();
        return std::nullopt;
    }

private:
    CGObjectPtr<GFileOutputStream> m_stream;
    QByteArray m_path;
};

gboolean OnFileWritten(GCabFile* file, gpointer data)
{
    auto* state = static_cast<CWriteState*>(data);
    if (!state->progress.Report(QString::fromUtf8(gcab_file_get_name(file)), state->done++, state->count))
        g_cancellable_cancel(state->cancellable);
    return TRUE;
}
} // namespace

struct CCabinetBuilder::CPrivate
{
    quint16 setId = 0;
    QString path;
    CGObjectPtr<GCabFolder> folder;
    std::vector<CAddedFile> files;
    qint64 total = 0;
    bool flushed = false;

    std::optional<CPackError> WriteTo(GOutputStream* output, CPackProgress& progress);
};

CCabinetBuilder::CCabinetBuilder() : CCabinetBuilder(RandomSetId()) {}

CCabinetBuilder::CCabinetBuilder(quint16 setId) : d(std::make_unique<CPrivate>())
{
    d->setId = setId;
}

CCabinetBuilder::~CCabinetBuilder() = default;

QString CCabinetBuilder::CabinetName(const QString& nameTemplate, int number)
{
    const qsizetype percent = nameTemplate.indexOf(QLatin1Char('%'));
    if (percent >= 0)
    {
        qsizetype digits = 0;
        while (percent + digits < nameTemplate.size() &&
               nameTemplate.at(percent + digits) == QLatin1Char('%'))
            ++digits;
        return nameTemplate.left(percent) +
               QStringLiteral("%1.cab").arg(number, int(digits), 10, QLatin1Char('0'));
    }
    if (nameTemplate.isEmpty())
        return QStringLiteral("%1.cab").arg(number, 4, 10, QLatin1Char('0'));
    if (number == 0)
        return nameTemplate + QStringLiteral(".cab");
    return nameTemplate + QStringLiteral("%1.cab").arg(number, 3, 10, QLatin1Char('0'));
}

quint16 CCabinetBuilder::RandomSetId()
{
    return static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000));
}

quint16 CCabinetBuilder::SetId() const
{
    return d->setId;
}

QString CCabinetBuilder::CabinetPath() const
{
    return d->path;
}

std::optional<CPackError> CCabinetBuilder::Create(const QString& nameTemplate, const QString& folder)
{
    const QString cleanFolder = QDir(folder).absolutePath();
    if (cleanFolder.size() < MinimumFolderLength || cleanFolder.size() > MaximumFolderLength)
        return CPackError::Output(folder, QStringLiteral("the folder path must be 3 to 255 characters long"));
    if (!QDir().mkpath(cleanFolder))
        return CPackError::Output(folder, QStringLiteral("cannot create the folder"));
    d->path = QDir(cleanFolder).filePath(CabinetName(nameTemplate, 0));
    d->folder.reset(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
    return std::nullopt;
}

// libgcab refuses a second file of the same name in one folder, so each file is added under a unique
// placeholder and gets its real name only in Flush, once no more files are looked up by name.
std::optional<CPackError> CCabinetBuilder::AddFile(const QString& path)
{
    if (!d->folder || d->flushed)
        return CPackError::Output(d->path, QStringLiteral("the cabinet was not created"));
    const QFileInfo info(path);
    if (!info.isFile())
        return CPackError::Source(path, QStringLiteral("not a readable file"));
    if (d->total + info.size() > MaximumSize)
        return CPackError::Source(path, QStringLiteral("the cabinet would exceed 2 GiB"));
    const CGObjectPtr<GFile> source(g_file_new_for_path(QFile::encodeName(path).constData()));
    const QByteArray placeholder = "\x01" + QByteArray::number(qulonglong(d->files.size()));
    CGObjectPtr<GCabFile> file(gcab_file_new_with_file(placeholder.constData(), source.get()));
    GError* rawError = nullptr;
    if (!gcab_folder_add_file(d->folder.get(), file.get(), FALSE, nullptr, &rawError))
        return CPackError::Source(path, Reason(CErrorPtr(rawError).get()));
    gcab_file_set_attributes(file.get(), gcab_file_get_attributes(file.get()) & ~GCAB_FILE_ATTRIBUTE_EXEC);
    d->total += info.size();
    d->files.push_back({std::move(file), info.fileName().toUtf8()});
    return std::nullopt;
}

// The cabinet is written to a temporary file beside it and renamed into place, so a failed or cancelled
// write leaves nothing behind and an older cabinet of the same name stays whole until then.
std::optional<CPackError> CCabinetBuilder::Flush(CPackProgress& progress)
{
    if (!d->folder || d->flushed)
        return CPackError::Output(d->path, QStringLiteral("the cabinet was not created"));
    d->flushed = true;
    for (const CAddedFile& added : d->files)
        g_object_set(added.file.get(), "name", added.name.constData(), nullptr);
    CTemporaryCabinet out;
    if (const auto error = out.Create(d->path))
        return error;
    if (const auto error = d->WriteTo(out.Stream(), progress))
        return error;
    const char setId[2] = {char(d->setId & 0xff), char(d->setId >> 8)};
    return out.PatchAndRename(SetIdOffset, QByteArray(setId, 2), d->path);
}

std::optional<CPackError> CCabinetBuilder::CPrivate::WriteTo(GOutputStream* output, CPackProgress& progress)
{
    const CGObjectPtr<GCabCabinet> cabinet(gcab_cabinet_new());
    GError* rawError = nullptr;
    if (!gcab_cabinet_add_folder(cabinet.get(), folder.get(), &rawError))
        return CPackError::Output(path, Reason(CErrorPtr(rawError).get()));
    const CGObjectPtr<GCancellable> cancellable(g_cancellable_new());
    CWriteState state{progress, cancellable.get(), qint64(files.size())};
    const gboolean written = gcab_cabinet_write(cabinet.get(), output, OnFileWritten, nullptr, &state,
                                                cancellable.get(), &rawError);
    const CErrorPtr error(rawError);
    if (progress.IsCancelled())
        return CPackError::Cancelled();
    if (!written)
        return CPackError::Output(path, Reason(error.get()));
    return std::nullopt;
}
