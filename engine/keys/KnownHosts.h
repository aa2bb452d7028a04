#pragma once

#include "engine/FtpResult.h"
#include "engine/sftp/SshHostKey.h"

#include <QByteArray>
#include <QString>
#include <vector>

enum class HostKeyMatch
{
    New,     // nothing on record for this host: ask the owner
    Known,   // the key on record: go on silently
    Changed, // another key on record for this host: refuse and warn
    Revoked  // the key is marked @revoked: refuse
};

struct HostKeyCheck
{
    HostKeyMatch match = HostKeyMatch::New;
    QByteArray knownType, knownFingerprint; // the key on record, for Changed
};

// Trusted SSH host keys in OpenSSH's known_hosts format: plain and hashed (|1|salt|hash) host names,
// "[host]:port" for ports other than 22, comma lists with * and ? wildcards and !negation, @revoked
// lines. @cert-authority lines are kept but not used.
class CKnownHosts
{
public:
    struct Entry
    {
        QByteArray marker; // "@revoked", "@cert-authority" or empty
        QByteArray hosts;  // as the line has it: patterns, or one hashed name
        SshHostKey key;
        qsizetype line = 0; // of the file, from 0
    };

    explicit CKnownHosts(QString filePath);

    const QString& FilePath() const { return m_filePath; }
    // A missing file is an empty store.
    FtpResult Load();
    HostKeyCheck Check(const QByteArray& host, quint16 port, const SshHostKey& key) const;
    // Appends the key for host and port and rewrites the file through a temporary file, keeping every
    // line already there.
    FtpResult Add(const QByteArray& host, quint16 port, const SshHostKey& key);
    const std::vector<Entry>& Entries() const { return m_entries; }
    // Drops the entry's line and rewrites the file, keeping every other line.
    FtpResult RemoveAt(qsizetype index);
    // Appends the entries of another known_hosts file (~/.ssh/known_hosts) that are not here yet, as
    // their lines stand; *added counts them.
    FtpResult Import(const QString& otherPath, int* added);

    // "host" for port 22, else "[host]:port"; host names in lower case.
    static QByteArray HostName(const QByteArray& host, quint16 port);

private:
    FtpResult Write(const QByteArray& content);
    void Parse(const QByteArray& content);
    static bool MatchesHost(const QByteArray& patterns, const QByteArray& name);
    static bool MatchesHashed(const QByteArray& hashed, const QByteArray& name);
    static bool MatchesWildcard(const QByteArray& pattern, const QByteArray& name);

    QString m_filePath;
    QByteArray m_content;
    std::vector<Entry> m_entries;
};
