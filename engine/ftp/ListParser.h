#pragma once

// Folder listings: LIST output of UNIX, Windows/IIS and EPLF servers, and MLSD/MLST facts (RFC 3659).

#include "engine/ListItem.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>
#include <vector>

class CListParser
{
public:
    // One LIST line in any common form; std::nullopt for lines it cannot read ("total 12", junk).
    static std::optional<ListItem> ParseListLine(const QByteArray& line, const QDateTime& nowUtc);
    // One MLSD/MLST fact line ("type=file;size=12;modify=20230102101500; name").
    static std::optional<ListItem> ParseMlsdLine(const QByteArray& line);
    // A whole listing body: lines split at CR LF or LF, "." and ".." left out, unreadable lines skipped.
    static std::vector<ListItem> ParseListing(const QByteArray& body, bool mlsd, const QDateTime& nowUtc);
    // The kind an "ls -l" mode's first letter names ('d', 'l', '-'; anything else is Other).
    static ListItem::Kind KindOfTypeLetter(char letter);
};
