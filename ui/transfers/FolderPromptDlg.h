#pragma once

#include <QDialog>

class CHistoryComboBox;

// Asks for a remote folder in a drop-down that offers a stored history.
class CFolderPromptDlg : public QDialog
{
    Q_OBJECT

public:
    CFolderPromptDlg(const QString& title, const QString& label, const QString& historyName, QWidget* parent);

    // The typed folder, trimmed.
    QString Folder() const;

protected:
    CHistoryComboBox* History() const { return m_folder; }

private:
    CHistoryComboBox* m_folder;
};
