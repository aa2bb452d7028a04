#pragma once

#include <QDialog>

class QLineEdit;

// "超級密碼": the master password, typed twice; OK is refused while the two differ.
class CMasterPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CMasterPasswordDlg(const QByteArray& master, QWidget* parent = nullptr);

    QByteArray Password() const;

    void accept() override;

private:
    QLineEdit* m_password;
    QLineEdit* m_confirm;
};
