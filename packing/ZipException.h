#pragma once

#include <QString>

// The error value of the zip layer. Nothing is thrown: CZipPack returns one of these where it fails, and
// Description() is the text the user is shown. An unsafe entry name (absolute, or climbing out of the
// destination folder) and an entry whose data do not match its header are flagged, so that extraction
// can refuse that entry and go on with the others.
class CZipException
{
public:
    explicit CZipException(QString description, bool entryOnly = false);

    // libzip's own description of its error code, after the entry or archive it concerns.
    static CZipException FromLibzip(const QString& subject, int zipError, int systemError = 0);
    static CZipException UnsafePath(const QString& entryName);
    // More or less data than the header declares, or another CRC.
    static CZipException BadEntryData(const QString& entryName, int zipError);

    const QString& Description() const { return m_description; }
    bool IsEntryOnly() const { return m_entryOnly; }

private:
    QString m_description;
    bool m_entryOnly;
};
