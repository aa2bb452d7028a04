#pragma once

#include <QString>

// "*" matches any run of characters (none too), "?" exactly one, anything else itself. Without case
// sensitivity characters are compared by their case-folded forms.
bool MatchWildcard(const QString& name, const QString& pattern, bool caseSensitive);
