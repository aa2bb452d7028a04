#pragma once

#include "engine/RemoteConnection.h"
#include "transfer/FtpListItem.h"
#include "transfer/OverwritePrompts.h"
#include "transfer/TransferPlan.h"

#include <QFileInfo>

// Turns a selection into jobs: a folder's tree is listed once on a planning connection of its own, its
// folders are made first (local ones for a download, remote ones for an upload), and its files are
// shared out into the requested number of jobs. The work is split in two so that a window can run the
// blocking part on a thread and ask the overwrite questions on its own: Survey() connects, lists and
// makes folders; Finish() asks and gives the jobs.
class CTransferPlanner
{
public:
    explicit CTransferPlanner(CTransferPlanRequest request);

    // May block on the server. False when it failed: Finish() then gives the problem.
    bool Survey();
    // On the thread that may ask: the overwrite questions of an upload, then the jobs.
    CTransferPlan Finish(IOverwritePrompts& prompts);
    CTransferPlan Plan(IOverwritePrompts& prompts);
    // From any thread: ends the survey's server call, which then fails.
    void Cancel() { m_connection.Cancel(); }

    // Upload items that pass the filter by their own names.
    static QList<CTransferEntry> FilteredUploads(const QList<CTransferEntry>& items, bool filter);
    static CTransferEntry LocalEntry(const QFileInfo& info);

private:
    // One local folder of an uploaded tree: its remote path and its files.
    struct CFolderGroup
    {
        QString top; // the selected folder it is part of
        QString remote;
        QList<CTransferEntry> files;
    };

    bool Connect();
    bool SurveyMirror();
    bool FindFolders(QList<CTransferEntry>& items);
    bool CollectRemoteTree(const QString& remoteFolder, const QString& relative, int depth,
                           QList<CTreeEntry>& tree);
    void CollectLocalTree(const QString& localFolder, const QString& relative, int depth,
                          QList<CTreeEntry>& tree);
    void Delete(const CTreeEntry& entry);
    bool MakeMirrorFolders();
    QList<CTransferEntry> MirrorFiles() const;
    bool Fail(const QString& problem);
    bool SurveyDownload();
    bool SurveyUpload();
    bool CollectRemote(const QString& remoteFolder, const QString& relative);
    void CollectLocal(const QString& top, const QFileInfo& local, const QString& remoteFolder, int depth);
    void AddGroup(const CFolderGroup& group, QList<CTransferEntry>& files) const;
    bool MakeRemoteFolder(const QString& path);
    bool MakeLocalFolder(const QString& path);
    FtpValue<std::vector<ListItem>> SafeListing(const QString& folder);
    QList<CFtpListItem> RemoteRows(const QString& folder);
    QList<CTransferEntry> Decide(const QString& remoteFolder, const QList<CTransferEntry>& files,
                                 const QList<CFtpListItem>& rows, IOverwritePrompts& prompts) const;
    CTransferPlan Result(const QList<CTransferJob>& jobs) const;
    QList<CTransferJob> Jobs(const QList<CTransferEntry>& whole, const QList<CTransferEntry>& shared) const;

    const CTransferPlanRequest m_request;
    CRemoteConnection m_connection;
    QString m_problem;
    QStringList m_notes;
    QList<CTransferEntry> m_whole;     // a download's items that go as they are, in one job
    QList<CTransferEntry> m_files;     // files to share out (a download's) or to decide first (an upload's)
    QList<CTransferEntry> m_selection; // an upload's items that pass the filter
    QList<CFtpListItem> m_rows;        // the upload target's listing, for the selected files
    QList<CFolderGroup> m_groups;      // an uploaded tree, folder by folder
    bool m_surveyed = false;
    bool m_walked = false; // an upload's folders were walked rather than kept whole
    CTreeDifference m_difference;
    int m_deleted = 0;
    QStringList m_failures;
};
