#include "transfer/UploadBatch.h"

#include "app/Profile.h"
#include "transfer/FilterLists.h"
#include "transfer/OverwriteResolver.h"
#include "transfer/RemotePath.h"
#include "transfer/RenameRule.h"

#include <QStringList>

namespace
{

QString FileNameOf(QString path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The last row of that name counts when the list holds several that differ only in case.
const CFtpListItem* FindRow(const QList<CFtpListItem>& rows, const QString& name)
{
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
    {
        if (row->name.compare(name, Qt::CaseInsensitive) == 0)
            return &*row;
    }
    return nullptr;
}

QStringList NamesOf(const QList<CFtpListItem>& rows)
{
    QStringList names;
    for (const CFtpListItem& row : rows)
        names.append(row.name);
    return names;
}

class CBatchPreparation
{
public:
    CBatchPreparation(const CUploadBatch& batch, IOverwritePrompts& prompts)
        : m_batch(batch), m_resolver(prompts, batch.matchingFiles), m_remoteNames(NamesOf(batch.remoteList)),
          m_filter(LoadFilterLists(batch.filteredUpload || FilterTransfersEnabled()))
    {
    }

    QList<CLocalFileRecord> KeptRecords()
    {
        QList<CLocalFileRecord> kept;
        const QList<CLocalFileRecord>& records = m_batch.records;
        for (qsizetype i = 0; i < records.size(); ++i)
        {
            CLocalFileRecord record = records[i];
            if (Keep(record, i + 1 == records.size()))
                kept.append(record);
        }
        return kept;
    }

private:
    bool Keep(CLocalFileRecord& record, bool lastFile)
    {
        const QString localPath = record.path;
        QString name = FileNameOf(localPath);
        if (!PassesFilter(m_filter, name, false))
            return false;
        const QString renamed = ApplyRenameRules(name);
        if (renamed != name)
        {
            name = renamed;
            record.path = localPath + u'|' + JoinRemotePath(m_batch.remoteFolder, name);
        }
        const CFtpListItem* row = FindRow(m_batch.remoteList, name);
        if (!row)
            return true;
        const CUploadConflict conflict{localPath,     m_batch.remoteFolder, name,
                                       record.size,   record.modified,      row->size,
                                       row->modified, m_remoteNames,        lastFile};
        return Apply(m_resolver.ForUpload(conflict), localPath, row->size, record);
    }

    static bool Apply(const COverwriteChoice& choice, const QString& localPath, qint64 remoteSize,
                      CLocalFileRecord& record)
    {
        switch (choice.outcome)
        {
        case OverwriteOutcome::Skip:
            return false;
        case OverwriteOutcome::Resume:
            record.attributes |= kAttributeResume;
            record.size = remoteSize;
            return true;
        case OverwriteOutcome::Overwrite:
            if (!choice.path.isEmpty())
                record.path = localPath + u'|' + choice.path;
            return true;
        }
        return false;
    }

    const CUploadBatch& m_batch;
    COverwriteResolver m_resolver;
    const QStringList m_remoteNames;
    const CFilterLists m_filter;
};

QList<CTransferJob> JobsFor(const CUploadBatch& batch, const QList<CLocalFileRecord>& kept)
{
    CTransferJob job = MakeTransferJob(batch.site, batch.remoteFolder);
    job.requestingWindow = batch.requestingWindow;
    const bool parallel = batch.shiftHeld || GetProfileInt(QStringLiteral("Settings"),
                                                           QStringLiteral("ForceParallelTransfers")) != 0;
    QList<CTransferJob> jobs;
    for (const CLocalFileRecord& record : kept)
    {
        if (parallel || jobs.isEmpty())
            jobs.append(job);
        jobs.last().files.append(record.ToEntry());
    }
    return jobs;
}

} // namespace

QList<CTransferJob> PrepareUploadBatch(const CUploadBatch& batch, IOverwritePrompts& prompts)
{
    if (batch.records.isEmpty())
        return {};
    CBatchPreparation preparation(batch, prompts);
    return JobsFor(batch, preparation.KeptRecords());
}
