#pragma once

#include "transfer/FtpListItem.h"
#include "sites/FtpSite.h"
#include "transfer/LocalFileRecord.h"
#include "transfer/OverwritePrompts.h"
#include "transfer/TransferJob.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

// Local files a connection window is about to upload into its current remote folder.
struct CUploadBatch
{
    QList<CLocalFileRecord> records;
    QString remoteFolder;
    QList<CFtpListItem> remoteList; // what the window lists for that folder
    CFtpSite site;
    QPointer<QObject> requestingWindow;
    bool filteredUpload = false; // the filtered upload command
    bool shiftHeld = false;      // one job per file, as with ForceParallelTransfers
    // A run's MatchingFiles in place of the stored one (the command line's --overwrite).
    std::optional<int> matchingFiles;
};

// Filters, renames and decides about every record, then gives the jobs to queue: one holding every
// kept record, or one per record. Nothing kept gives no job.
QList<CTransferJob> PrepareUploadBatch(const CUploadBatch& batch, IOverwritePrompts& prompts);
