#pragma once

#include "app/StoredFileLoad.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The server certificates the user has chosen to trust, kept in certifates.xml in the data folder.
// Every change is written at once.
class CTrustedCertificates
{
public:
    // The file in the data folder unless a path is given.
    explicit CTrustedCertificates(QString filePath = {});

    const QString& FilePath() const { return m_filePath; }
    const QList<QByteArray>& Certificates() const { return m_certificates; }

    // Unless loaded, the list is empty; a file that cannot be read or has no root element has been
    // moved aside. The root's name is not checked.
    CStoredFileLoad Load();
    bool Save() const;
    // Appends and saves; the list keeps the text even when the save fails.
    bool Add(const QByteArray& text);
    // Line ends and letter case do not matter.
    bool Contains(const QByteArray& text) const;
    bool RemoveAt(qsizetype index);

private:
    QString m_filePath;
    QList<QByteArray> m_certificates;
};
