#pragma once

#include "transfer/TransferEntry.h"

#include <QString>
#include <QStringList>

// What one run of a job did, file by file.
struct CJobTally
{
    int files = 0; // the job's own entries
    int copied = 0;
    int skipped = 0;
    qint64 bytes = 0;     // of the files copied
    QStringList failures; // "path：reason" of each file that failed on its own
};

// The window that queued a job (a connection window, or zentrava-cli): the queue hands it what the
// job's worker reports, on the queue's thread. The job names it as a QObject that also derives from
// this interface; a window that has gone away is skipped.
class ITransferRequester
{
public:
    // A worker's status line for the log: [thread id] status: "name".
    virtual void OnTransferLog(const QString& line) = 0;
    // The job has ended; level 1 for success, 3 for failure; line: [thread id] final message.
    virtual void OnTransferDone(int level, const QString& line) = 0;
    // An uploaded file or folder has landed; the entry's name is its remote path.
    virtual void OnTransferRelay(const CTransferEntry& entry) = 0;
    // Just before OnTransferDone: the counts of the run that ended.
    virtual void OnTransferTally(const CJobTally&) {}

protected:
    ~ITransferRequester() = default;
};
