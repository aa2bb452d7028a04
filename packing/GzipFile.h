#pragma once

#include "packing/PackError.h"

#include <QString>
#include <optional>

struct gzFile_s;

// A file whose data go through a gzip stream: the file is opened first (always binary), then zlib's gzip
// functions run on its descriptor, at zlib's default level and with zlib's standard header.
class CGzipFile
{
public:
    // The open flags of a file, combined with "|"; no access flag means read-only.
    enum EOpenFlag
    {
        ModeRead = 0x0000,
        ModeWrite = 0x0001,
        ModeReadWrite = 0x0002,
        ModeCreate = 0x1000,
        ModeNoTruncate = 0x2000
    };

    CGzipFile() = default;
    ~CGzipFile();
    CGzipFile(const CGzipFile&) = delete;
    CGzipFile& operator=(const CGzipFile&) = delete;

    // The gzip stream mode for the flags: create without no-truncate gives "w", read-only "r", any other
    // writing "a"; then "+" for read-write, then "b".
    static QByteArray StreamMode(int flags);

    std::optional<CPackError> Open(const QString& path, int flags);
    // Writing fewer bytes than asked is an error.
    std::optional<CPackError> Write(const char* data, qint64 size);
    // The count read, 0 at the end, -1 on an error.
    qint64 Read(char* data, qint64 size);
    // Flushes and ends the gzip stream, then closes the file.
    std::optional<CPackError> Close();

private:
    CPackError StreamError(const QString& action) const;

    gzFile_s* m_stream = nullptr;
    QString m_path;
};
