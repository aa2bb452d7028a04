#pragma once

#include <QString>
#include <ctime>
#include <zip.h>

class CPackProgress;

// A libzip data source that streams one local file while the archive is written, reporting each chunk
// to the progress and failing as cancelled once the progress is cancelled. The file's size and time are
// taken when the source is made, so libzip can choose zip64 fields before any data is read.
class CZipFileSource
{
public:
    // Returns nullptr and fills error when the file cannot be examined. libzip owns the source (and this
    // object through it) from then on.
    static zip_source_t* Create(zip_t* archive, const QString& path, CPackProgress& progress,
                                zip_error_t* error);

private:
    CZipFileSource(const QString& path, qint64 size, std::time_t modified, CPackProgress& progress);
    ~CZipFileSource();

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Open();
    zip_int64_t Read(void* data, zip_uint64_t length);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    void Close();
    zip_int64_t Fail(int zipError, int systemError);

    QString m_path;
    qint64 m_size;
    std::time_t m_modified;
    CPackProgress& m_progress;
    int m_fd = -1;
    qint64 m_done = 0;
    zip_error_t m_error;
};
