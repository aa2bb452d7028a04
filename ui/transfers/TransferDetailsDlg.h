#pragma once

#include <QDialog>

class QPlainTextEdit;

// "連線詳細資料": a queued job's details and the protocol trace of its runs, to read and copy.
class CTransferDetailsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CTransferDetailsDlg(const QString& details, QWidget* parent = nullptr);

    QString Text() const;

private:
    QPlainTextEdit* m_text;
};
