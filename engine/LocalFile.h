#pragma once

#include "engine/net/IoResult.h"

#include <QString>

// A local file for streaming transfers (POSIX descriptor, no buffering of its own).
class CLocalFile
{
public:
    enum class Mode
    {
        Read,
        Replace, // created or truncated
        Extend   // created when missing, never truncated; writes go to the end
    };

    CLocalFile() = default;
    ~CLocalFile();
    CLocalFile(const CLocalFile&) = delete;
    CLocalFile& operator=(const CLocalFile&) = delete;

    IoResult Open(const QString& path, Mode mode);
    // The size of the file at path, or -1 when it does not exist.
    static qint64 SizeOf(const QString& path);
    qint64 Size() const;
    IoResult Seek(qint64 offset);
    IoResult Read(char* data, qint64 size);
    IoResult WriteAll(const char* data, qint64 size);
    IoResult Close();

private:
    int m_fd = -1;
};
