#pragma once

#include "packing/ZipException.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class CPackProgress;
class QSaveFile;
struct zip;
struct zip_file;

// A zip archive over libzip, either being created or opened read-only.
// Creating: files are added under their full path without the leading "/", deflated at the default
// level; their data stream through in Close, so a file of any size needs no more memory than a buffer
// (zip64 is used where the sizes need it). Reading: entries by index, traditional PKWARE decryption with
// a password, and extraction below a destination folder that never writes outside it.
// Errors come back as CZipException values; nothing is thrown.
class CZipPack
{
public:
    struct CEntryHeader
    {
        QString name;
        bool encrypted = false;
        bool directory = false;
        qint64 size = 0;
    };

    CZipPack() = default;
    ~CZipPack();
    CZipPack(const CZipPack&) = delete;
    CZipPack& operator=(const CZipPack&) = delete;

    std::optional<CZipException> Create(const QString& path);
    std::optional<CZipException> AddFile(const QString& path, CPackProgress& progress);
    // Writes a created archive (all file data is read here) or releases an opened one. A failed or
    // cancelled write leaves no archive file behind.
    std::optional<CZipException> Close();

    std::optional<CZipException> Open(const QString& path);
    qint64 Count() const;
    std::optional<CEntryHeader> Header(qint64 index) const;
    void SetPassword(const QString& password);
    // Writes the entry below destination under its stored path. A name that is absolute, climbs out with
    // "..", or leads through a symbolic link gives an unsafe-path error and writes nothing. A file is
    // written whole or not at all.
    std::optional<CZipException> Extract(qint64 index, const QString& destination, CPackProgress& progress);

    // The stored name split into folder names and file name, with "\" taken as a separator too; nullopt
    // when the name is absolute, climbs out of the destination or holds a NUL.
    static std::optional<QStringList> SafePathParts(const QString& entryName);

private:
    std::optional<CZipException> MakeFolders(const QString& destination, const QStringList& parts,
                                             const QString& entryName) const;
    std::optional<CZipException> ExtractFile(qint64 index, const CEntryHeader& header, const QString& target,
                                             CPackProgress& progress);
    std::optional<CZipException> CopyEntry(zip_file* entry, const CEntryHeader& header, QSaveFile& out,
                                           CPackProgress& progress);
    CZipException ArchiveError(const QString& subject) const;

    zip* m_archive = nullptr;
    QString m_path;
    bool m_writing = false;
    QByteArray m_password;
};
