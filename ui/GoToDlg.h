#pragma once

#include <QDialog>

class CHistoryComboBox;

// "前往": asks for a remote folder to open, offering the stored "GoToFolder" entries.
class CGoToDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CGoToDlg(QWidget* parent = nullptr);

    // The typed folder, trimmed.
    QString Folder() const;

private:
    CHistoryComboBox* m_folder;
};
