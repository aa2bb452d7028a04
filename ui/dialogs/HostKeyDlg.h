#pragma once

#include "engine/sftp/SshHostKey.h"

#include <QDialog>

// Asks whether to trust a host key that is not known yet: the host, the key type and its SHA-256
// fingerprint. Accepted = accept and record the key, Rejected = refuse.
class CHostKeyDlg : public QDialog
{
    Q_OBJECT

public:
    CHostKeyDlg(const QString& host, const SshHostKey& key, QWidget* parent = nullptr);
};
