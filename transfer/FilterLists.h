#pragma once

#include <QStringList>

// One caller's copy of the filter: its masks and the switches read with them. Empty lists keep everything.
struct CFilterLists
{
    QStringList include;
    QStringList exclude;
    bool filterFolders = false;
    bool caseSensitive = false;
};

// Empty lists, or, when the caller filters, the stored masks and switches as they are now.
CFilterLists LoadFilterLists(bool use);

// Everything queued for transfer is filtered (EnableFiltering and FilterTransfers both set).
bool FilterTransfersEnabled();

// True when the entry stays. Only the part after the last "/" is matched, so a worker may pass full paths.
bool PassesFilter(const CFilterLists& lists, const QString& name, bool isFolder);
