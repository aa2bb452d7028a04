#include "packing/TarBuilder.h"

#include "packing/PackProgress.h"
#include "packing/PackSelection.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{
constexpr int NameLength = 100;
constexpr int ChecksumOffset = 148;
constexpr int ChecksumLength = 8;
constexpr qint64 CopyBufferSize = 65536;

void PutText(QByteArray& block, int offset, const QByteArray& text, int length)
{
    std::memcpy(block.data() + offset, text.constData(), std::min<qsizetype>(text.size(), length));
}

// Zero-padded octal with length - 1 digits and a NUL; a value that does not fit gets the GNU base-256
// form (high bit of the first byte set, then the value big-endian), which GNU tar and bsdtar read.
void PutNumber(QByteArray& block, int offset, int length, qint64 value)
{
    const qint64 octalLimit = qint64(1) << (3 * (length - 1));
    if (value >= 0 && value < octalLimit)
    {
        const QByteArray digits = QByteArray::number(value, 8).rightJustified(length - 1, '0');
        PutText(block, offset, digits, length - 1);
        return;
    }
    block[offset] = char(0x80);
    for (int i = length - 1; i > 0; --i, value >>= 8)
        block[offset + i] = char(value & 0xff);
}

void PutChecksum(QByteArray& block)
{
    block.replace(ChecksumOffset, ChecksumLength, QByteArray(ChecksumLength, ' '));
    unsigned sum = 0;
    for (const char byte : std::as_const(block))
        sum += static_cast<unsigned char>(byte);
    QByteArray field = QByteArray::number(sum, 8).rightJustified(6, '0');
    field.append('\0').append(' ');
    block.replace(ChecksumOffset, ChecksumLength, field);
}

QByteArray HeaderBlock(const CTarBuilder::CEntry& entry, char typeflag)
{
    QByteArray block(CTarBuilder::BlockSize, '\0');
    PutText(block, 0, entry.name, NameLength);
    PutNumber(block, 100, 8, entry.mode);
    PutNumber(block, 108, 8, entry.uid);
    PutNumber(block, 116, 8, entry.gid);
    PutNumber(block, 124, 12, entry.size);
    PutNumber(block, 136, 12, std::max<qint64>(entry.modified, 0));
    block[156] = typeflag;
    PutText(block, 257, QByteArray("ustar  \0", 8), 8);
    PutText(block, 265, "root", 32);
    PutText(block, 297, "root", 32);
    PutChecksum(block);
    return block;
}

QByteArray Padding(qint64 size)
{
    const qint64 rest = size % CTarBuilder::BlockSize;
    return QByteArray(rest == 0 ? 0 : CTarBuilder::BlockSize - rest, '\0');
}

QString OutputName(const QIODevice& out)
{
    const auto* file = qobject_cast<const QFileDevice*>(&out);
    return file != nullptr ? file->fileName() : QStringLiteral("tar");
}

class CFileDescriptor
{
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
} // namespace

QByteArray CTarBuilder::Header(const CEntry& entry)
{
    return HeaderBlock(entry, '0');
}

QByteArray CTarBuilder::LongNameBlocks(const QByteArray& name)
{
    if (name.size() <= NameLength)
        return {};
    CEntry link;
    link.name = "././@LongLink";
    link.mode = 0644;
    link.size = name.size() + 1;
    QByteArray data = name;
    data.append('\0');
    return HeaderBlock(link, 'L') + data + Padding(data.size());
}

std::optional<CPackError> CTarBuilder::Write(QIODevice& out, const QStringList& files,
                                             CPackProgress& progress)
{
    if (files.isEmpty())
        return CPackError::Source(OutputName(out), QStringLiteral("no file to pack"));
    for (const QString& path : files)
    {
        if (const auto error = WriteFile(out, path, progress))
            return error;
    }
    return Put(out, QByteArray(2 * BlockSize, '\0'));
}

std::optional<CPackError> CTarBuilder::WriteFile(QIODevice& out, const QString& path, CPackProgress& progress)
{
    if (!progress.Report(path, 0, 0))
        return CPackError::Cancelled();
    const CFileDescriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0)
        return CPackError::Source(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return CPackError::Source(path, QStringLiteral("not a regular file"));
    CEntry entry;
    entry.name = QFile::encodeName(StoredName(path));
    entry.mode = info.st_mode;
    entry.uid = info.st_uid;
    entry.gid = info.st_gid;
    entry.size = info.st_size;
    entry.modified = info.st_mtime;
    if (const auto error = Put(out, LongNameBlocks(entry.name) + Header(entry)))
        return error;
    if (const auto error = CopyData(out, fd.Get(), path, entry.size, progress))
        return error;
    return Put(out, Padding(entry.size));
}

// Copies exactly the size the header announced: a file that shrank meanwhile is an error rather than an
// archive whose later entries would be misaligned, and bytes it gained are left out.
std::optional<CPackError> CTarBuilder::CopyData(QIODevice& out, int fd, const QString& path, qint64 size,
                                                CPackProgress& progress)
{
    QByteArray buffer(CopyBufferSize, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size)
    {
        const ssize_t count = ::read(fd, buffer.data(), std::min(CopyBufferSize, size - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return CPackError::Source(path, QString::fromLocal8Bit(std::strerror(errno)));
        if (count == 0)
            return CPackError::Source(path, QStringLiteral("file shrank while being packed"));
        if (out.write(buffer.constData(), count) != count)
            return CPackError::Output(OutputName(out), out.errorString());
        done += count;
        if (!progress.Report(path, done, size))
            return CPackError::Cancelled();
    }
    return std::nullopt;
}

std::optional<CPackError> CTarBuilder::Put(QIODevice& out, const QByteArray& bytes)
{
    if (out.write(bytes) != bytes.size())
        return CPackError::Output(OutputName(out), out.errorString());
    return std::nullopt;
}
