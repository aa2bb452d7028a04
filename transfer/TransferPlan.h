#pragma once

#include "security/TrustPolicy.h"
#include "transfer/TransferJob.h"
#include "transfer/TreeComparison.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A selection to be turned into queued jobs.
struct CTransferPlanRequest
{
    // The connection fields; remoteFolder and localFolder are where the items are and where they go.
    CTransferJob base;
    // Downloads: names in base.remoteFolder (folders marked); uploads: local paths.
    QList<CTransferEntry> items;
    bool upload = false;
    // The jobs the files below the selected folders are shared out into; 1 keeps one job for all items
    // and lists nothing for a download.
    int jobCount = 1;
    // The filtered command; the stored switches may filter without it.
    bool filter = false;
    // Uploads: base.remoteFolder is made with its missing parents first.
    bool makeTarget = false;
    // A mirror: the target (base.localFolder down, base.remoteFolder up) becomes a copy of the source's
    // contents, made with its parents when missing; items are not used. The jobs hold only what differs,
    // to be replaced as it stands.
    std::optional<CMirrorRules> mirror;
    // A mirror only compares: nothing is deleted or made, and no job is given.
    bool dryRun = false;
    // Downloads: items whose kind is not known are asked about; the folders among them go whole.
    bool findFolders = false;
    // In place of the stored MatchingFiles.
    std::optional<int> matchingFiles;
    // Past what is on record; a planning connection cannot ask.
    TrustAnswer unknownCertificate = TrustAnswer::Refuse;
    TrustAnswer unknownHostKey = TrustAnswer::Refuse;
};

// The jobs to queue, in order, or why there are none.
struct CTransferPlan
{
    QList<CTransferJob> jobs;
    QString problem;   // names the folder or file and carries the server's reply
    QStringList notes; // names left out of a listing, trust notes
    // A mirror's findings, its deletions done already unless it was a dry run; difference.skipped also
    // counts the selected files an upload's overwrite handling left where they are.
    CTreeDifference difference;
    int deleted = 0;
    QStringList failures; // "path：reason" of deletions that failed
    bool IsOk() const { return problem.isEmpty(); }
};
