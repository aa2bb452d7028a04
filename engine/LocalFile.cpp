#include "engine/LocalFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CLocalFile::~CLocalFile()
{
    Close();
}

IoResult CLocalFile::Open(const QString& path, Mode mode)
{
    Close();
    int flags = O_CLOEXEC;
    if (mode == Mode::Read)
        flags |= O_RDONLY;
    else
        flags |= O_WRONLY | O_CREAT | (mode == Mode::Replace ? O_TRUNC : O_APPEND);
    m_fd = open(QFile::encodeName(path).constData(), flags, 0666);
    if (m_fd < 0)
        return IoResult::FromErrno(errno);
    if (mode == Mode::Read)
        posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return IoResult::Done();
}

qint64 CLocalFile::SizeOf(const QString& path)
{
    struct stat info
    {
    };
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return info.st_size;
}

qint64 CLocalFile::Size() const
{
    struct stat info
    {
    };
    return fstat(m_fd, &info) == 0 ? info.st_size : -1;
}

IoResult CLocalFile::Seek(qint64 offset)
{
    if (lseek(m_fd, offset, SEEK_SET) < 0)
        return IoResult::FromErrno(errno);
    return IoResult::Done();
}

IoResult CLocalFile::Read(char* data, qint64 size)
{
    for (;;)
    {
        const ssize_t got = read(m_fd, data, size_t(size));
        if (got >= 0)
            return IoResult::Done(got);
        if (errno != EINTR)
            return IoResult::FromErrno(errno);
    }
}

IoResult CLocalFile::WriteAll(const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size)
    {
        const ssize_t written = write(m_fd, data + done, size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return IoResult::FromErrno(written < 0 ? errno : ENOSPC);
        done += written;
    }
    return IoResult::Done(done);
}

IoResult CLocalFile::Close()
{
    if (m_fd < 0)
        return IoResult::Done();
    const int result = close(m_fd);
    m_fd = -1;
    // Delayed write errors (a full disk on NFS) surface here.
    return result == 0 || errno == EINTR ? IoResult::Done() : IoResult::FromErrno(errno);
}
