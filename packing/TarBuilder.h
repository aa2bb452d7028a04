#pragma once

#include "packing/PackError.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

class CPackProgress;
class QIODevice;

// Writes a tar archive of regular files: for each file a 512-byte header ("ustar  " magic, octal fields,
// owner "root") and its bytes padded to a multiple of 512, then two empty blocks. A name longer than 100
// bytes is preceded by a GNU long-name entry, so it is not cut on extraction; a value too large for its
// octal field (a file of 8 GiB or more) is written in GNU base-256 form.
class CTarBuilder
{
public:
    static constexpr int BlockSize = 512;

    struct CEntry
    {
        QByteArray name;
        quint32 mode = 0;
        quint32 uid = 0;
        quint32 gid = 0;
        qint64 size = 0;
        qint64 modified = 0;
    };

    // The header block of a regular file; the name is cut to 100 bytes here.
    static QByteArray Header(const CEntry& entry);
    // The blocks written before the header: a GNU long-name entry when the name exceeds 100 bytes, else
    // nothing.
    static QByteArray LongNameBlocks(const QByteArray& name);

    // Writes files to out (an empty list is an error of kind Source). Stops at the first source that
    // cannot be read, at the first write error and on cancel.
    std::optional<CPackError> Write(QIODevice& out, const QStringList& files, CPackProgress& progress);

private:
    std::optional<CPackError> WriteFile(QIODevice& out, const QString& path, CPackProgress& progress);
    std::optional<CPackError> CopyData(QIODevice& out, int fd, const QString& path, qint64 size,
                                       CPackProgress& progress);
    std::optional<CPackError> Put(QIODevice& out, const QByteArray& bytes);
};
