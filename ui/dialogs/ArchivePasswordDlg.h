#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;

// "壓縮檔密碼": the password of an encrypted archive, typed hidden.
class CArchivePasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CArchivePasswordDlg(QWidget* parent = nullptr);

    QString Password() const;
    // Nothing when the user cancels.
    static std::optional<QString> Ask(QWidget* parent);

private:
    QLineEdit* m_password = nullptr;
};
