#pragma once

#include "transfer/OverwritePrompts.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

enum class OverwriteOutcome
{
    Overwrite,
    Skip,
    Resume
};

struct COverwriteChoice
{
    OverwriteOutcome outcome = OverwriteOutcome::Overwrite;
    // Downloads: the local path to write. Uploads: a new remote path, or empty when the name stays.
    QString path;
};

// A file about to be downloaded to a local path (the rename rules already applied).
struct CDownloadConflict
{
    QString remotePath;
    QString localPath;
    qint64 remoteSize = 0;
    QDateTime remoteTime;
    bool lastFile = false;
    bool scheduled = false; // scheduled jobs overwrite without asking
};

// A file about to be uploaded whose name the remote list already holds.
struct CUploadConflict
{
    QString localPath;
    QString remoteFolder;
    QString name; // the remote name, after the rename rules
    qint64 localSize = 0;
    QDateTime localTime;
    qint64 remoteSize = 0;
    QDateTime remoteTime;
    QStringList remoteNames; // the remote list, for numbering
    bool lastFile = false;
};

// The smart overwrite decision for the files of one job, which keeps the job's "yes to all".
class COverwriteResolver
{
public:
    // matchingFiles: the run's MatchingFiles in place of the stored one.
    explicit COverwriteResolver(IOverwritePrompts& prompts, std::optional<int> matchingFiles = std::nullopt)
        : m_prompts(prompts), m_matchingFiles(matchingFiles)
    {
    }

    bool YesToAll() const { return m_yesToAll; }

    // Decides only when something exists at the local path and the job has not said yes to all.
    COverwriteChoice ForDownload(const CDownloadConflict& conflict);
    COverwriteChoice ForUpload(const CUploadConflict& conflict);

private:
    OverwriteAction Decide(TransferDirection direction, const COverwritePromptInfo& info);

    IOverwritePrompts& m_prompts;
    const std::optional<int> m_matchingFiles;
    bool m_yesToAll = false;
};
