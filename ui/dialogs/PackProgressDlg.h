#pragma once

#include <QDialog>

class QLabel;

// The modeless window of a pack or unpack command: the file being worked on and a cancel button.
class CPackProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CPackProgressDlg(bool unpacking, QWidget* parent = nullptr);

    void SetFile(const QString& file);
    QString File() const;

Q_SIGNALS:
    void CancelPressed();

private:
    QLabel* m_file = nullptr;
};
