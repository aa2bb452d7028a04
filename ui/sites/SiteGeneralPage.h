#pragma once

#include <QWidget>

class CFtpSite;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// "站台內容": the name, address, log-in, folders, retries and comment of a site.
class CSiteGeneralPage : public QWidget
{
    Q_OBJECT

public:
    explicit CSiteGeneralPage(QWidget* parent = nullptr);

    void Load(const CFtpSite& site);
    // Takes the page's values over into the record.
    void Store(CFtpSite& site) const;

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* LoginEdit() const { return m_login; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QCheckBox* AnonymousBox() const { return m_anonymous; }
    QLineEdit* LocalFolderEdit() const { return m_localFolder; }

private:
    void OnAnonymousToggled(bool on);
    void OnLoginEdited(const QString& login);
    void BrowseLocalFolder();
    void ShowPassword(bool shown);

    QLineEdit* m_name;
    QLineEdit* m_address;
    QLineEdit* m_login;
    QLineEdit* m_password;
    QCheckBox* m_anonymous;
    QLineEdit* m_remoteFolder;
    QLineEdit* m_localFolder;
    QPushButton* m_browse;
    QSpinBox* m_retries;
    QSpinBox* m_retryDelay;
    QPlainTextEdit* m_comment;
    // What the anonymous box replaced, given back when it is unticked.
    QString m_savedLogin;
    QString m_savedPassword;
};
