#pragma once

#include "app/StoredFileLoad.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The server certificates the user has chosen to trust, kept in certifates.xml in the data folder.
// Every change is written at once. An entry accepted at a connection records the host and port it was
// accepted for in attributes of its element; the older program's reader ignores them, and its entries
// (and imported ones) have none.
class CTrustedCertificates
{
public:
    // The file in the data folder unless a path is given.
    explicit CTrustedCertificates(QString filePath = {});

    const QString& FilePath() const { return m_filePath; }
    QList<QByteArray> Certificates() const;

    // Unless loaded, the list is empty; a file that cannot be read or has no root element has been
    // moved aside. The root's name is not checked.
    CStoredFileLoad Load();
    bool Save() const;
    // Appends and saves; the list keeps the text even when the save fails.
    bool Add(const QByteArray& text);
    // The same for the host and port it was accepted for. A host the file cannot hold safely (anything
    // but letters, digits and . - _ : %) is refused and nothing changes.
    bool Add(const QByteArray& text, const QByteArray& host, quint16 port);
    // Line ends and letter case do not matter.
    bool Contains(const QByteArray& text) const;
    // Whether the certificate may be taken silently from host and port: an entry of the same text
    // accepted for them, or one for any host (or none) when the certificate names this host.
    bool Accepts(const QByteArray& text, const QByteArray& host, quint16 port) const;
    bool RemoveAt(qsizetype index);

private:
    struct Entry
    {
        QByteArray text;
        QByteArray host; // empty: not bound to one host
        quint16 port = 0;
    };

    QString m_filePath;
    QList<Entry> m_entries;
};
