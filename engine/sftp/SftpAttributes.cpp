#include "engine/sftp/SftpAttributes.h"

#include "engine/sftp/SftpPacket.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"

namespace
{
char TypeLetter(quint32 type)
{
    switch (type)
    {
    case Sftp::kTypeFolder:
        return 'd';
    case Sftp::kTypeLink:
        return 'l';
    case 0020000:
        return 'c';
    case 0060000:
        return 'b';
    case 0010000:
        return 'p';
    case 0140000:
        return 's';
    default:
        return '-';
    }
}
} // namespace

ListItem::Kind SftpAttributes::Kind() const
{
    if (!Has(Sftp::AttrPermissions))
        return ListItem::Kind::Other;
    switch (permissions & Sftp::kTypeMask)
    {
    case Sftp::kTypeFolder:
        return ListItem::Kind::Folder;
    case Sftp::kTypeFile:
        return ListItem::Kind::File;
    case Sftp::kTypeLink:
        return ListItem::Kind::Link;
    default:
        return ListItem::Kind::Other;
    }
}

QDateTime SftpAttributes::Modified() const
{
    return Has(Sftp::AttrTimes) ? QDateTime::fromSecsSinceEpoch(qint64(mtime), Qt::UTC) : QDateTime();
}

QByteArray SftpAttributes::PermissionText() const
{
    if (!Has(Sftp::AttrPermissions))
        return {};
    QByteArray text(1, TypeLetter(permissions & Sftp::kTypeMask));
    static const char kLetters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text.append((permissions & (0400u >> bit)) ? kLetters[bit] : '-');
    if (permissions & 04000)
        text[3] = text[3] == 'x' ? 's' : 'S';
    if (permissions & 02000)
        text[6] = text[6] == 'x' ? 's' : 'S';
    if (permissions & 01000)
        text[9] = text[9] == 'x' ? 't' : 'T';
    return text;
}

bool SftpAttributes::Read(CSftpReader& reader, SftpAttributes* attributes)
{
    SftpAttributes read;
    if (!reader.Uint32(&read.flags))
        return false;
    if (read.Has(Sftp::AttrSize) && !reader.Uint64(&read.size))
        return false;
    if (read.Has(Sftp::AttrUidGid) && !(reader.Uint32(&read.uid) && reader.Uint32(&read.gid)))
        return false;
    if (read.Has(Sftp::AttrPermissions) && !reader.Uint32(&read.permissions))
        return false;
    if (read.Has(Sftp::AttrTimes) && !(reader.Uint32(&read.atime) && reader.Uint32(&read.mtime)))
        return false;
    if (read.Has(Sftp::AttrExtended))
    {
        quint32 count = 0;
        if (!reader.Uint32(&count))
            return false;
        // Each pair takes at least 8 bytes, so a huge count fails on the bytes, not on time.
        for (quint32 i = 0; i < count; ++i)
        {
            if (!reader.SkipString() || !reader.SkipString())
                return false;
        }
    }
    *attributes = read;
    return true;
}

void SftpAttributes::Write(CSftpPacket& packet) const
{
    const quint32 written = flags & ~Sftp::AttrExtended;
    packet.AddUint32(written);
    if (written & Sftp::AttrSize)
        packet.AddUint64(size);
    if (written & Sftp::AttrUidGid)
        packet.AddUint32(uid).AddUint32(gid);
    if (written & Sftp::AttrPermissions)
        packet.AddUint32(permissions);
    if (written & Sftp::AttrTimes)
        packet.AddUint32(atime).AddUint32(mtime);
}
