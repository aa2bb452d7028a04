#pragma once

#include <QDialog>
#include <QPointer>

class CBusyIndicator;
class CTransferWorker;
class QLabel;
class QProgressBar;

// "複製...": a worker's progress window, with an animation, two lines of text, a bar from 0 to 100
// and Cancel, which cancels the worker. It stays hidden while HideProgressDlg is above 0. Once the
// user has minimised or restored any of them, the ones made later in the run start minimised.
class CTransferProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CTransferProgressDlg(CTransferWorker* worker, QWidget* parent = nullptr);

    void SetLine1(const QString& text);
    void SetLine2(const QString& text);
    void SetPosition(int percent);

    // Shows the window unless the settings hide progress windows; false when it stays hidden.
    bool ShowIfAllowed();
    // Whether windows made from now on start minimised.
    static bool StartsMinimised();

protected:
    void changeEvent(QEvent* event) override;
    void reject() override;

private:
    QPointer<CTransferWorker> m_worker;
    CBusyIndicator* m_animation;
    QLabel* m_line1;
    QLabel* m_line2;
    QProgressBar* m_progress;
};
