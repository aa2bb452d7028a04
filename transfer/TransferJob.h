#pragma once

#include "engine/ConnectionTarget.h"
#include "transfer/ScheduleInfo.h"
#include "transfer/TransferEntry.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class CFtpSite;

enum class JobKind
{
    Download,
    Upload
};

// What a job's worker reports when it was cancelled, and what the queue reports for a job cancelled
// before it ran.
QString JobCancelledMessage(JobKind kind);

// One queued transfer as the manager hands it to its worker.
struct CTransferJob
{
    QPointer<QObject> requestingWindow; // receives the worker's log lines
    QList<CTransferEntry> files;
    QString localFolder;
    QString host;
    QString login;
    QString password;
    QString remoteFolder;
    int transferType = 0;
    int attempts = 1;
    int retryDelay = 10; // seconds
    int port = 21;
    bool passive = false;
    int protocolType = 0;
    bool clearDataChannel = false;
    bool clearCommandChannel = false;
    bool failed = false; // re-queued after a failure
    QString details;     // the protocol trace, shown by the queue's Details command
    std::optional<CScheduleInfo> schedule;
    bool filterRequested = false; // downloads only: the filtered download command
};

// A job with the site's connection fields, for the given remote folder. Passive when the site asks for
// passive mode, or leaves it to the program-wide DataMode and that asks for it.
CTransferJob MakeTransferJob(const CFtpSite& site, const QString& remoteFolder);

// Where the job's worker connects and how: the job's connection fields with the program's settings;
// *problem gets the reason a key or certificate of the settings could not be loaded, else empty.
CConnectionTarget JobTarget(const CTransferJob& job, int timeoutMs, QString* problem);
