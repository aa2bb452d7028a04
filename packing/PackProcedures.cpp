#include "packing/PackProcedures.h"

#include "packing/CabinetBuilder.h"
#include "packing/GzipFile.h"
#include "packing/PackProgress.h"
#include "packing/TarBuilder.h"
#include "packing/ZipPack.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace
{
constexpr qint64 CompressBufferSize = 65536;

CPackResult NothingToPack()
{
    return CPackResult::Failed(QString(), QStringLiteral("nothing to pack"));
}

CPackResult FromError(const CPackError& error, const QString& message)
{
    if (error.Kind() == CPackError::EKind::Cancelled)
        return CPackResult::Cancelled();
    return CPackResult::Failed(message, error.Detail());
}

// The files to pack, or the result that ends the command early (cancelled, or nothing to pack).
std::optional<CPackResult> ExpandOrStop(const QStringList& selection, CPackProgress& progress,
                                        QStringList& files)
{
    if (selection.isEmpty())
        return NothingToPack();
    std::optional<QStringList> expanded = ExpandSelection(selection, progress);
    if (!expanded)
        return CPackResult::Cancelled();
    if (expanded->isEmpty())
        return NothingToPack();
    files = std::move(*expanded);
    return std::nullopt;
}

// The tar file's outcome decides what the user hears: a source that cannot be read ends the command
// silently, an archive that cannot be written gets the message.
std::optional<CPackError> WriteTar(const QString& tarPath, const QStringList& files, CPackProgress& progress)
{
    QSaveFile tar(tarPath);
    if (!tar.open(QIODevice::WriteOnly))
        return CPackError::Output(tarPath, tar.errorString());
    if (!progress.Report(tarPath, 0, 0))
        return CPackError::Cancelled();
    if (const auto error = CTarBuilder().Write(tar, files, progress))
        return error;
    if (!tar.commit())
        return CPackError::Output(tarPath, tar.errorString());
    return std::nullopt;
}

// Streams the tar through gzip; the result is the same as compressing it whole.
std::optional<CPackError> CompressTar(const QString& tarPath, const QString& gzPath, CPackProgress& progress)
{
    QFile tar(tarPath);
    if (!tar.open(QIODevice::ReadOnly))
        return CPackError::Output(tarPath, tar.errorString());
    CGzipFile gz;
    if (const auto error = gz.Open(gzPath, CGzipFile::ModeCreate | CGzipFile::ModeWrite))
        return error;
    QByteArray buffer(CompressBufferSize, Qt::Uninitialized);
    const qint64 total = tar.size();
    for (qint64 done = 0; progress.Report(gzPath, done, total);)
    {
        const qint64 count = tar.read(buffer.data(), buffer.size());
        if (count < 0)
            return CPackError::Output(tarPath, tar.errorString());
        if (count == 0)
            return gz.Close();
        if (const auto error = gz.Write(buffer.constData(), count))
            return error;
        done += count;
    }
    return CPackError::Cancelled();
}
} // namespace

CPackResult PackZip(const QStringList& selection, CPackProgress& progress, const QString& folder)
{
    QStringList files;
    if (const auto stop = ExpandOrStop(selection, progress, files))
        return *stop;
    QDir().mkpath(folder);
    const QString path = ArchivePath(folder, ArchiveBaseName(selection.first()), QStringLiteral(".zip"));
    CZipPack zip;
    if (const auto error = zip.Create(path))
        return CPackResult::Failed(PackMessage::ZipAddFailed(), error->Description());
    for (const QString& file : files)
    {
        if (const auto error = zip.AddFile(file, progress))
            return CPackResult::Failed(PackMessage::ZipAddFailed(), error->Description());
    }
    const auto error = zip.Close();
    if (progress.IsCancelled())
        return CPackResult::Cancelled();
    if (error)
        return CPackResult::Failed(PackMessage::ZipAddFailed(), error->Description());
    return CPackResult::Done(path);
}

CPackResult PackCab(const QStringList& selection, CPackProgress& progress, const QString& folder)
{
    QStringList files;
    if (const auto stop = ExpandOrStop(selection, progress, files))
        return *stop;
    CCabinetBuilder cabinet;
    if (const auto error = cabinet.Create(ArchiveBaseName(selection.first()), folder))
        return CPackResult::Failed(PackMessage::CabCreateFailed(), error->Detail());
    for (const QString& file : files)
    {
        if (const auto error = cabinet.AddFile(file))
            return CPackResult::Failed(PackMessage::CabAddFailed(), error->Detail());
    }
    if (const auto error = cabinet.Flush(progress))
        return FromError(*error, PackMessage::CabAddFailed());
    return CPackResult::Done(cabinet.CabinetPath());
}

CPackResult PackTarGz(const QStringList& selection, CPackProgress& progress, const QString& folder)
{
    QStringList files;
    if (const auto stop = ExpandOrStop(selection, progress, files))
        return *stop;
    QDir().mkpath(folder);
    const QString baseName = ArchiveBaseName(selection.first());
    const QString tarPath = ArchivePath(folder, baseName, QStringLiteral(".tar"));
    const QString gzPath = ArchivePath(folder, baseName, QStringLiteral(".tar.gz"));
    if (const auto error = WriteTar(tarPath, files, progress))
    {
        const bool silent = error->Kind() == CPackError::EKind::Source;
        return FromError(*error, silent ? QString() : PackMessage::TarGzFailed());
    }
    if (const auto error = CompressTar(tarPath, gzPath, progress))
    {
        QFile::remove(gzPath);
        QFile::remove(tarPath);
        return FromError(*error, PackMessage::TarGzFailed());
    }
    return CPackResult::Done(gzPath);
}
