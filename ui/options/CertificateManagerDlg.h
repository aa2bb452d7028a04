#pragma once

#include "security/TrustedCertificates.h"

class CKeyCertificate;

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "憑證管理": the server certificates the user trusts, with their issuer, subject and expiry; certificates
// are imported from PEM, DER and PKCS#12 files, exported, shown and deleted. Every change is written to
// the store at once, and the rows keep the store's order.
class CCertificateManagerDlg : public QDialog
{
    Q_OBJECT

public:
    // The store in the data folder unless a file is given.
    explicit CCertificateManagerDlg(QWidget* parent = nullptr, const QString& storeFile = {});

    QTreeWidget* List() const { return m_list; }

    // What the buttons do once a row or a file is chosen.
    void Import(const QString& path);
    void Export(int row, const QString& path);
    void ShowContents(int row);
    void Delete(int row);

private:
    void AddRow(const CKeyCertificate& certificate, const QByteArray& text);
    int SelectedRow() const;
    void FollowSelection();
    void ChooseImport();
    void ChooseExport();

    CTrustedCertificates m_store;
    QTreeWidget* m_list;
    QList<QPushButton*> m_rowButtons;
};
