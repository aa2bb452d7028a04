#include "transfer/FilterLists.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "transfer/Wildcard.h"

#include <algorithm>

namespace
{

const QString kSection = QStringLiteral("Filter");

QStringList LoadMasks(const QString& key)
{
    CStringList masks;
    LoadProfileObject(kSection, key, masks);
    return masks.Items();
}

bool AnyMatches(const QStringList& masks, const QString& name, bool caseSensitive)
{
    return std::any_of(masks.begin(), masks.end(),
                       [&](const QString& mask) { return MatchWildcard(name, mask, caseSensitive); });
}

} // namespace

CFilterLists LoadFilterLists(bool use)
{
    CFilterLists lists;
    if (!use)
        return lists;
    lists.include = LoadMasks(QStringLiteral("Mask"));
    lists.exclude = LoadMasks(QStringLiteral("NotMask"));
    lists.filterFolders = GetProfileInt(kSection, QStringLiteral("FilterFolders")) != 0;
    lists.caseSensitive = GetProfileInt(kSection, QStringLiteral("CaseSensitive")) != 0;
    return lists;
}

bool FilterTransfersEnabled()
{
    return GetProfileInt(kSection, QStringLiteral("EnableFiltering")) != 0 &&
           GetProfileInt(kSection, QStringLiteral("FilterTransfers")) != 0;
}

bool PassesFilter(const CFilterLists& lists, const QString& name, bool isFolder)
{
    if (isFolder && !lists.filterFolders)
        return true;
    // The exclude list is consulted only behind a non-empty include list.
    if (lists.include.isEmpty())
        return true;
    const QString last = name.mid(name.lastIndexOf(u'/') + 1);
    if (!AnyMatches(lists.include, last, lists.caseSensitive))
        return false;
    return !AnyMatches(lists.exclude, last, lists.caseSensitive);
}
