#include "packing/ZipFileSource.h"

#include "packing/PackProgress.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

zip_source_t* CZipFileSource::Create(zip_t* archive, const QString& path, CPackProgress& progress,
                                     zip_error_t* error)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
    {
        zip_error_set(error, ZIP_ER_OPEN, errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode))
    {
        zip_error_set(error, ZIP_ER_OPEN, EINVAL);
        return nullptr;
    }
    auto* state = new CZipFileSource(path, info.st_size, info.st_mtime, progress);
    zip_source_t* source = zip_source_function(archive, &CZipFileSource::Callback, state);
    if (source == nullptr)
    {
        zip_error_set(error, ZIP_ER_MEMORY, 0);
        delete state;
    }
    return source;
}

CZipFileSource::CZipFileSource(const QString& path, qint64 size, std::time_t modified,
                               CPackProgress& progress)
    : m_path(path), m_size(size), m_modified(modified), m_progress(progress)
{
    zip_error_init(&m_error);
}

CZipFileSource::~CZipFileSource()
{
    Close();
    zip_error_fini(&m_error);
}

zip_int64_t CZipFileSource::Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    return static_cast<CZipFileSource*>(state)->Handle(data, length, command);
}

zip_int64_t CZipFileSource::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command)
    {
    case ZIP_SOURCE_OPEN:
        return Open();
    case ZIP_SOURCE_READ:
        return Read(data, length);
    case ZIP_SOURCE_CLOSE:
        Close();
        return 0;
    case ZIP_SOURCE_STAT:
        return Stat(data, length);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_FREE:
        delete this;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return Fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

zip_int64_t CZipFileSource::Open()
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return Fail(ZIP_ER_OPEN, errno);
    m_done = 0;
    return m_progress.Report(m_path, 0, m_size) ? 0 : Fail(ZIP_ER_CANCELLED, 0);
}

zip_int64_t CZipFileSource::Read(void* data, zip_uint64_t length)
{
    ssize_t count;
    do
        count = ::read(m_fd, data, length);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return Fail(ZIP_ER_READ, errno);
    m_done += count;
    if (!m_progress.Report(m_path, m_done, m_size))
        return Fail(ZIP_ER_CANCELLED, 0);
    return count;
}

zip_int64_t CZipFileSource::Stat(void* data, zip_uint64_t length)
{
    zip_stat_t* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (stat == nullptr)
        return -1;
    zip_stat_init(stat);
    stat->size = static_cast<zip_uint64_t>(m_size);
    stat->mtime = m_modified;
    stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    return sizeof(*stat);
}

void CZipFileSource::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

zip_int64_t CZipFileSource::Fail(int zipError, int systemError)
{
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}
