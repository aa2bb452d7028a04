#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One entry of a folder tree, by its path below the tree's top ("sub/name").
struct CTreeEntry
{
    QString path;
    bool folder = false;
    qint64 size = 0;
    QDateTime modified; // invalid when the side gives none
    int precision = 1;  // the seconds its time is rounded down to: 60 or 86400 for listings without them
};

// How a mirror decides what to copy and what to remove.
struct CMirrorRules
{
    bool onlyNewer = false;
    bool deleteExtra = false;
    QStringList excludes; // names or paths left out on both sides, folders with all they hold
    QStringList includes; // when any is given, only files whose name or path matches one go
};

// What makes the target a copy of the source.
struct CTreeDifference
{
    QList<CTreeEntry> deletions; // target entries, every folder after what it holds
    QList<CTreeEntry> folders;   // source folders the target lacks, parents first
    QList<CTreeEntry> copies;    // source files, in tree order
    QStringList conflicts;       // a file on one side where the other has a folder, kept without deleting
    int skipped = 0;             // source files the target has already
};

// Both trees with every folder before what it holds. A file is the same on both sides when the sizes
// match and so do the times, to the coarser of the two precisions; a side without times is judged by
// size alone. Entries that the rules leave out are neither copied nor removed.
CTreeDifference CompareTrees(const QList<CTreeEntry>& source, const QList<CTreeEntry>& target,
                             const CMirrorRules& rules);
