#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class CPackProgress;

// The system's temporary folder with a trailing "/": where pack commands put their archives.
QString TemporaryFolder();

// The name an archive takes from the first selected path: its file name without the extension, so
// "report.doc" gives "report" and "archive.2007.doc" gives "archive.2007"; a folder gives its own name
// up to its last dot.
QString ArchiveBaseName(const QString& firstPath);

// The absolute path folder + baseName + suffix, suffix being ".zip", ".cab", ".tar" or ".tar.gz".
QString ArchivePath(const QString& folder, const QString& baseName, const QString& suffix);

// The name a file is stored under in a zip or tar: its absolute, cleaned path without the leading "/".
QString StoredName(const QString& path);

// Every file below folder: the folder's own files in the order the file system lists them, then each
// subfolder in that order, recursively. Folders reached through a symbolic link are not entered, so a
// link to a parent cannot loop.
QStringList CollectFilesRecursive(const QString& folder);

// The selection with each folder replaced by the files below it, each file once and in order, as
// absolute paths. Reports every selected path; nullopt once the progress is cancelled.
std::optional<QStringList> ExpandSelection(const QStringList& selection, CPackProgress& progress);
