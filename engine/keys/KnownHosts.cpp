#include "engine/keys/KnownHosts.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QSaveFile>

#include <algorithm>

namespace
{
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

QList<QByteArray> Fields(const QByteArray& line)
{
    QList<QByteArray> fields;
    for (const QByteArray& field : line.simplified().split(' '))
    {
        if (!field.isEmpty())
            fields.append(field);
    }
    return fields;
}
} // namespace

CKnownHosts::CKnownHosts(QString filePath) : m_filePath(std::move(filePath)) {}

FtpResult CKnownHosts::Load()
{
    m_content.clear();
    m_entries.clear();
    QFile file(m_filePath);
    if (!file.exists())
        return FtpResult::Success();
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return FtpResult::Failure(
            FtpStatus::Local, QCoreApplication::translate("KnownHosts", "無法讀取已知主機金鑰檔案 \"%1\"：%2")
                                  .arg(m_filePath, file.errorString()));
    m_content = file.readAll();
    Parse(m_content);
    return FtpResult::Success();
}

void CKnownHosts::Parse(const QByteArray& content)
{
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype number = 0; number < lines.size(); ++number)
    {
        QList<QByteArray> fields = Fields(lines[number]);
        if (fields.isEmpty() || fields.first().startsWith('#'))
            continue;
        QByteArray marker;
        if (fields.first().startsWith('@'))
            marker = fields.takeFirst();
        if (fields.size() < 3)
            continue;
        const auto key = SshHostKey::FromBlob(QByteArray::fromBase64(fields[2]));
        if (key && key->type == fields[1])
            m_entries.push_back({marker, fields[0], *key, number});
    }
}

HostKeyCheck CKnownHosts::Check(const QByteArray& host, quint16 port, const SshHostKey& key) const
{
    const QByteArray name = HostName(host, port);
    HostKeyCheck check;
    for (const Entry& entry : m_entries)
    {
        if (entry.marker == "@revoked" && entry.key == key)
            return {HostKeyMatch::Revoked, entry.key.type, entry.key.Fingerprint()};
    }
    for (const Entry& entry : m_entries)
    {
        if (!entry.marker.isEmpty() || !MatchesHost(entry.hosts, name))
            continue;
        if (entry.key == key)
            return {HostKeyMatch::Known, entry.key.type, entry.key.Fingerprint()};
        // A key of another type counts as a change too: a server does not swap key types by itself.
        if (check.match == HostKeyMatch::New || entry.key.type == key.type)
            check = {HostKeyMatch::Changed, entry.key.type, entry.key.Fingerprint()};
    }
    return check;
}

FtpResult CKnownHosts::Add(const QByteArray& host, quint16 port, const SshHostKey& key)
{
    QByteArray content = m_content;
    if (!content.isEmpty() && !content.endsWith('\n'))
        content.append('\n');
    return Write(content + HostName(host, port) + ' ' + key.type + ' ' + key.blob.toBase64() + '\n');
}

FtpResult CKnownHosts::RemoveAt(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_entries.size()))
        return FtpResult::Failure(FtpStatus::BadRequest,
                                  QCoreApplication::translate("KnownHosts", "沒有這把主機金鑰"));
    QList<QByteArray> lines = m_content.split('\n');
    lines.removeAt(m_entries[size_t(index)].line);
    return Write(lines.join('\n'));
}

FtpResult CKnownHosts::Import(const QString& otherPath, int* added)
{
    *added = 0;
    CKnownHosts other(otherPath);
    if (const FtpResult loaded = other.Load(); !loaded.Ok())
        return loaded;
    const QList<QByteArray> otherLines = other.m_content.split('\n');
    QByteArray content = m_content;
    for (const Entry& entry : other.m_entries)
    {
        const bool known = std::any_of(m_entries.begin(), m_entries.end(),
                                       [&entry](const Entry& mine) {
                                           return mine.marker == entry.marker && mine.hosts == entry.hosts &&
                                                  mine.key == entry.key;
                                       });
        if (known)
            continue;
        if (!content.isEmpty() && !content.endsWith('\n'))
            content.append('\n');
        content += otherLines[entry.line].trimmed() + '\n';
        ++*added;
    }
    return *added == 0 ? FtpResult::Success() : Write(content);
}

FtpResult CKnownHosts::Write(const QByteArray& content)
{
    QSaveFile file(m_filePath);
    // Which hosts the owner trusts, like ~/.ssh/known_hosts, is the owner's own to read.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(content) != content.size() || !file.commit())
        return FtpResult::Failure(
            FtpStatus::Local, QCoreApplication::translate("KnownHosts", "無法寫入已知主機金鑰檔案 \"%1\"：%2")
                                  .arg(m_filePath, file.errorString()));
    m_content = content;
    m_entries.clear();
    Parse(m_content);
    return FtpResult::Success();
}

QByteArray CKnownHosts::HostName(const QByteArray& host, quint16 port)
{
    const QByteArray lower = host.toLower();
    return port == 22 ? lower : "[" + lower + "]:" + QByteArray::number(port);
}

bool CKnownHosts::MatchesHost(const QByteArray& patterns, const QByteArray& name)
{
    if (patterns.startsWith("|1|"))
        return MatchesHashed(patterns, name);
    bool matched = false;
    for (const QByteArray& pattern : patterns.split(','))
    {
        const bool negated = pattern.startsWith('!');
        if (!MatchesWildcard(negated ? pattern.mid(1).toLower() : pattern.toLower(), name))
            continue;
        if (negated)
            return false;
        matched = true;
    }
    return matched;
}

bool CKnownHosts::MatchesHashed(const QByteArray& hashed, const QByteArray& name)
{
    const QList<QByteArray> parts = hashed.split('|');
    if (parts.size() != 4)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2]);
    const QByteArray expected = QByteArray::fromBase64(parts[3]);
    return !expected.isEmpty() &&
           QMessageAuthenticationCode::hash(name, salt, QCryptographicHash::Sha1) == expected;
}

bool CKnownHosts::MatchesWildcard(const QByteArray& pattern, const QByteArray& name)
{
    // Iterative matcher with one back-tracking point: linear in practice, no recursion.
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size())
    {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n]))
        {
            ++p;
            ++n;
        }
        else if (p < pattern.size() && pattern[p] == '*')
        {
            star = p++;
            resume = n;
        }
        else if (star >= 0)
        {
            p = star + 1;
            n = ++resume;
        }
        else
            return false;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
