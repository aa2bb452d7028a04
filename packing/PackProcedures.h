#pragma once

#include "packing/PackResult.h"
#include "packing/PackSelection.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class CPackProgress;

// The messages the user is shown when a command fails.
namespace PackMessage
{
inline QString ZipAddFailed()
{
    return QCoreApplication::translate("PackProcedures", "無法將檔案加到 zip 壓縮檔！");
}
inline QString CabCreateFailed()
{
    return QCoreApplication::translate("PackProcedures", "無法建立.cab 壓縮檔");
}
inline QString CabAddFailed()
{
    return QCoreApplication::translate("PackProcedures", "無法將檔案加到 .cab 壓縮檔！");
}
inline QString TarGzFailed()
{
    return QCoreApplication::translate("PackProcedures", "無法將檔案加到 GZIP/TAR 壓縮檔！");
}
inline QString UnzipFailed()
{
    return QCoreApplication::translate("PackProcedures", "無法解壓縮　ZIP 檔！");
}
} // namespace PackMessage

// The pack commands: the selection (files and folders, in the local browser's order) goes into one
// archive named after the first selected path, written in folder (an existing archive of that name is
// replaced). On success Path() is the archive to upload. An empty selection, or one that holds no file,
// fails without a message.
CPackResult PackZip(const QStringList& selection, CPackProgress& progress,
                    const QString& folder = TemporaryFolder());
CPackResult PackCab(const QStringList& selection, CPackProgress& progress,
                    const QString& folder = TemporaryFolder());
// Writes base.tar, then compresses it as a stream into base.tar.gz, the archive returned.
CPackResult PackTarGz(const QStringList& selection, CPackProgress& progress,
                      const QString& folder = TemporaryFolder());

// Extracts each selected file whose extension is ".zip" (in any case) into the folder of the same path
// without the extension; other files are skipped. The password is asked once per archive, at its first
// encrypted entry. An entry whose name would land outside that folder is refused and named in Warnings();
// the others are still extracted. Path() is the last folder extracted into.
CPackResult UnpackZip(const QStringList& selection, CPackProgress& progress);
