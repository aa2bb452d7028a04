#include "engine/sftp/SftpNames.h"

#include <QList>

namespace
{
bool IsPermissionText(const QByteArray& text)
{
    // Ten letters, sometimes followed by "+" (ACL) or "." (SELinux context).
    if (text.size() < 10 || text.size() > 11 || !QByteArray("-dlcbps").contains(text[0]))
        return false;
    for (int i = 1; i < 10; ++i)
    {
        if (!QByteArray("-rwxsStTlL").contains(text[i]))
            return false;
    }
    return text.size() == 10 || text[10] == '+' || text[10] == '.' || text[10] == '@';
}
} // namespace

std::optional<SftpLongName> CSftpNames::ParseLongName(const QByteArray& line)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 4 || !IsPermissionText(fields[0]))
        return std::nullopt;
    return SftpLongName{fields[0], fields[2], fields[3]};
}

bool CSftpNames::IsSafeName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

QByteArray CSftpNames::Resolve(const QByteArray& folder, const QByteArray& path)
{
    if (path.isEmpty())
        return folder;
    if (path.startsWith('/'))
        return path;
    return Join(folder, path);
}

QByteArray CSftpNames::Join(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray CSftpNames::Parent(const QByteArray& path)
{
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : trimmed.left(slash);
}

QByteArray CSftpNames::ShellQuote(const QByteArray& text)
{
    QByteArray quoted = "'";
    for (char c : text)
    {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}
