#pragma once

#include <QString>

// Path texts the workers build.

// The path without the characters it shares with prefix from the front, compared without case up to
// the first difference.
QString StripCommonPrefix(const QString& path, const QString& prefix);
// A remote name that stays inside the folder it is listed in: not empty, ".", "..", and holding no "/"
// or "\"; nor any control character, which a local file name would carry into every later listing.
// Anything else could come from a hostile server.
bool IsSafeRemoteName(const QString& name);
// Every part of a relative remote path is a safe name.
bool IsSafeRelativePath(const QString& path);
// At most maxLength characters: the root, "...", then as many trailing parts as fit (the last part
// alone when even that does not fit).
QString AbbreviateFolder(const QString& folder, int maxLength = 50);
// The folder part of a local path (before its last "/").
QString LocalFolderOf(const QString& path);
