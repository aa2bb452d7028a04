#include "packing/GzipFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace
{
int FileFlags(int flags)
{
    int result = O_CLOEXEC;
    if (flags & CGzipFile::ModeReadWrite)
        result |= O_RDWR;
    else if (flags & CGzipFile::ModeWrite)
        result |= O_WRONLY;
    else
        result |= O_RDONLY;
    if (flags & CGzipFile::ModeCreate)
        result |= O_CREAT;
    if ((flags & CGzipFile::ModeCreate) && !(flags & CGzipFile::ModeNoTruncate))
        result |= O_TRUNC;
    return result;
}

// zlib takes unsigned counts; large requests go in slices.
constexpr qint64 SliceSize = INT_MAX / 2;
} // namespace

CGzipFile::~CGzipFile()
{
    if (m_stream != nullptr)
        gzclose(m_stream);
}

QByteArray CGzipFile::StreamMode(int flags)
{
    const bool readOnly = !(flags & (ModeWrite | ModeReadWrite));
    QByteArray mode;
    if ((flags & ModeCreate) && !(flags & ModeNoTruncate))
        mode = "w";
    else if (readOnly)
        mode = "r";
    else
        mode = "a";
    if (flags & ModeReadWrite)
        mode += '+';
    return mode + 'b';
}

std::optional<CPackError> CGzipFile::Open(const QString& path, int flags)
{
    m_path = path;
    const int fd = ::open(QFile::encodeName(path).constData(), FileFlags(flags), 0666);
    if (fd < 0)
        return CPackError::Output(path, QString::fromLocal8Bit(std::strerror(errno)));
    m_stream = gzdopen(fd, StreamMode(flags).constData());
    if (m_stream == nullptr)
    {
        ::close(fd);
        return CPackError::Output(path, QStringLiteral("cannot open a gzip stream in mode %1")
                                            .arg(QString::fromLatin1(StreamMode(flags))));
    }
    return std::nullopt;
}

std::optional<CPackError> CGzipFile::Write(const char* data, qint64 size)
{
    for (qint64 done = 0; done < size;)
    {
        const unsigned slice = static_cast<unsigned>(std::min(SliceSize, size - done));
        if (gzwrite(m_stream, data + done, slice) != static_cast<int>(slice))
            return StreamError(QStringLiteral("write"));
        done += slice;
    }
    return std::nullopt;
}

qint64 CGzipFile::Read(char* data, qint64 size)
{
    return gzread(m_stream, data, static_cast<unsigned>(std::min(SliceSize, size)));
}

std::optional<CPackError> CGzipFile::Close()
{
    gzFile_s* stream = m_stream;
    m_stream = nullptr;
    if (stream == nullptr)
        return std::nullopt;
    const int result = gzclose(stream);
    if (result != Z_OK)
        return CPackError::Output(m_path, QStringLiteral("closing the gzip stream failed (%1)").arg(result));
    return std::nullopt;
}

CPackError CGzipFile::StreamError(const QString& action) const
{
    int code = Z_OK;
    const char* text = gzerror(m_stream, &code);
    const QString reason =
        code == Z_ERRNO ? QString::fromLocal8Bit(std::strerror(errno)) : QString::fromUtf8(text);
    return CPackError::Output(m_path, QStringLiteral("%1: %2").arg(action, reason));
}
