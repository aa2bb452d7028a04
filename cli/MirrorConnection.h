#pragma once

#include "cli/CliTrustAsker.h"
#include "engine/FtpComponent.h"
#include "transfer/TransferJob.h"

#include <vector>

// A short blocking connection with a job's fields, used before a mirror is queued: to list remote
// folders (a parallel mirror's top entries, the folders an upload decides against), or to make the
// folder an upload goes into. Certificates and host keys are taken as the workers take them: those on
// record, and past them as the run's options answer.
// Each call returns an empty text on success, else the error text.
class CMirrorConnection
{
public:
    CMirrorConnection(const CTransferJob& job, const CliTrustOptions& trust);
    ~CMirrorConnection();
    CMirrorConnection(const CMirrorConnection&) = delete;
    CMirrorConnection& operator=(const CMirrorConnection&) = delete;

    QString Open();
    // The folder's entries, without "." and ".." or names that are not plain names.
    QString List(const QString& path, std::vector<ListItem>* items);
    // A folder that is there already counts as made.
    QString MakeFolder(const QString& path);

private:
    QString Outcome() const;

    CFtpComponent m_ftp;
    int m_code = 0;
    QString m_text;
};
