#pragma once

#include "app/StoredFileLoad.h"
#include "transfer/TransferQueueState.h"

#include <QString>

// The queue file: every job of the queue with its state, so that a restart, or a crash, loses none.
// Written whole and atomically, readable by its owner only; passwords are protected like the site
// passwords when protection is on. A file that cannot be read is set aside, never half believed.
class CTransferQueueStore
{
public:
    explicit CTransferQueueStore(const QString& path) : m_path(path) {}

    const QString& Path() const { return m_path; }
    // False with the reason when the file could not be written; the old one is then left as it was.
    bool Save(const QList<CQueueItem>& jobs, QString* problem) const;
    // Missing: no jobs. Damaged: set aside (its texts say where), no jobs.
    CStoredFileLoad Load(QList<CQueueItem>* jobs) const;

private:
    QString m_path;
};
