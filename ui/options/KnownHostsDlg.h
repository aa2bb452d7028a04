#pragma once

#include "engine/keys/KnownHosts.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "信任的主機金鑰": the SSH host keys on record in known_hosts of the data folder, one row per line with
// the host and port, the key type and its SHA-256 fingerprint. A deleted key is asked about again at the
// next connection; keys the user's own OpenSSH trusts can be taken over from ~/.ssh/known_hosts.
class CKnownHostsDlg : public QDialog
{
    Q_OBJECT

public:
    // The file in the data folder unless one is given.
    explicit CKnownHostsDlg(QWidget* parent = nullptr, const QString& file = {});

    QTreeWidget* List() const { return m_list; }

    void Import(const QString& otherFile);
    void Delete(int row);

    // "host:port" for each name of the line; hashed names cannot be read back and say so.
    static QString HostText(const QByteArray& hosts);

private:
    void Fill();

    CKnownHosts m_hosts;
    QTreeWidget* m_list;
    QPushButton* m_delete;
};
