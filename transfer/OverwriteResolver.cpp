#include "transfer/OverwriteResolver.h"

#include "app/Profile.h"
#include "transfer/RemotePath.h"
#include "transfer/SmartOverwrite.h"

#include <QFileInfo>

namespace
{

qint64 Seconds(const QDateTime& time)
{
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}

} // namespace

OverwriteAction COverwriteResolver::Decide(TransferDirection direction, const COverwritePromptInfo& info)
{
    const OverwriteAction action =
        DecideOverwrite(direction, info.incomingSize, info.existingSize, Seconds(info.incomingTime),
                        Seconds(info.existingTime), m_matchingFiles);
    if (action != OverwriteAction::Prompt)
        return action;
    const bool resumeAllowed =
        GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DisableResume")) == 0;
    if (resumeAllowed && info.existingSize < info.incomingSize)
        return m_prompts.AskResume(info);
    return m_prompts.AskReplace(info);
}

COverwriteChoice COverwriteResolver::ForDownload(const CDownloadConflict& conflict)
{
    const QFileInfo local(conflict.localPath);
    if (m_yesToAll || conflict.scheduled || !local.exists())
        return {OverwriteOutcome::Overwrite, conflict.localPath};
    const COverwritePromptInfo info{conflict.localPath,  local.size(),        local.lastModified(),
                                    conflict.remoteSize, conflict.remoteTime, conflict.lastFile};
    switch (Decide(TransferDirection::Download, info))
    {
    case OverwriteAction::Overwrite:
        return {OverwriteOutcome::Overwrite, conflict.localPath};
    case OverwriteAction::OverwriteAll:
        m_yesToAll = true;
        return {OverwriteOutcome::Overwrite, conflict.localPath};
    case OverwriteAction::Resume:
        return {OverwriteOutcome::Resume, conflict.localPath};
    case OverwriteAction::Number:
        return {OverwriteOutcome::Overwrite, MakeNumberedLocalName(conflict.localPath)};
    case OverwriteAction::Rename:
    {
        const QString path = m_prompts.AskNewName(conflict.remotePath, conflict.localPath);
        if (path.isEmpty())
            return {OverwriteOutcome::Skip, {}};
        return {OverwriteOutcome::Overwrite, path};
    }
    case OverwriteAction::Skip:
    case OverwriteAction::Prompt:
        break;
    }
    return {OverwriteOutcome::Skip, {}};
}

COverwriteChoice COverwriteResolver::ForUpload(const CUploadConflict& conflict)
{
    if (m_yesToAll)
        return {OverwriteOutcome::Overwrite, {}};
    const QString remotePath = JoinRemotePath(conflict.remoteFolder, conflict.name);
    const COverwritePromptInfo info{remotePath,         conflict.remoteSize, conflict.remoteTime,
                                    conflict.localSize, conflict.localTime,  conflict.lastFile};
    switch (Decide(TransferDirection::Upload, info))
    {
    case OverwriteAction::Overwrite:
        return {OverwriteOutcome::Overwrite, {}};
    case OverwriteAction::OverwriteAll:
        m_yesToAll = true;
        return {OverwriteOutcome::Overwrite, {}};
    case OverwriteAction::Resume:
        return {OverwriteOutcome::Resume, {}};
    case OverwriteAction::Number:
    {
        const QString numbered = MakeNumberedRemoteName(conflict.name, conflict.remoteNames);
        return {OverwriteOutcome::Overwrite, JoinRemotePath(conflict.remoteFolder, numbered)};
    }
    case OverwriteAction::Rename:
    {
        const QString path = m_prompts.AskNewName(conflict.localPath, remotePath);
        if (path.isEmpty())
            return {OverwriteOutcome::Skip, {}};
        return {OverwriteOutcome::Overwrite, path};
    }
    case OverwriteAction::Skip:
    case OverwriteAction::Prompt:
        break;
    }
    return {OverwriteOutcome::Skip, {}};
}
