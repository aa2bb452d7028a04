#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"
#include "packing/ZipPack.h"

#include <QCoreApplication>
#include <QDir>

namespace
{
CPackResult FromException(const CZipException& error)
{
    return CPackResult::Failed(error.Description(), error.Description());
}

// Extracts one archive; nullopt when the command goes on with the next selected file.
std::optional<CPackResult> UnpackArchive(const QString& archive, const QString& destination,
                                         CPackProgress& progress, QStringList& warnings)
{
    CZipPack zip;
    if (const auto error = zip.Open(archive))
        return FromException(*error);
    if (!QDir().mkpath(destination))
        return FromException(
            CZipException(QCoreApplication::translate("UnpackZip", "無法建立資料夾：%1").arg(destination)));
    bool passwordAsked = false;
    for (qint64 index = 0; index < zip.Count(); ++index)
    {
        const std::optional<CZipPack::CEntryHeader> header = zip.Header(index);
        if (!header)
            return CPackResult::Failed(PackMessage::UnzipFailed(),
                                       QStringLiteral("%1: entry %2").arg(archive).arg(index));
        if (!progress.Report(header->name, 0, header->size))
            return CPackResult::Cancelled();
        if (header->encrypted && !passwordAsked)
        {
            passwordAsked = true;
            const std::optional<QString> password = progress.Password(archive);
            if (!password)
                return std::nullopt;
            zip.SetPassword(*password);
        }
        const auto error = zip.Extract(index, destination, progress);
        if (progress.IsCancelled())
            return CPackResult::Cancelled();
        if (error && error->IsEntryOnly())
            warnings.append(error->Description());
        else if (error)
            return FromException(*error);
    }
    return std::nullopt;
}
} // namespace

CPackResult UnpackZip(const QStringList& selection, CPackProgress& progress)
{
    QStringList warnings;
    QString lastDestination;
    for (const QString& path : selection)
    {
        if (!progress.Report(path, 0, 0))
            return CPackResult::Cancelled();
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || path.mid(dot + 1).toUpper() != QLatin1String("ZIP"))
            continue;
        const QString destination = path.left(dot);
        if (const auto stop = UnpackArchive(path, destination, progress, warnings))
            return *stop;
        lastDestination = destination;
    }
    return CPackResult::Done(lastDestination, warnings);
}
