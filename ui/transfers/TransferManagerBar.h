#pragma once

#include <QList>
#include <QWidget>

class CTransferQueue;
class QAction;
class QMenu;
class QTreeView;

// The content of the transfer manager bar: the queue's rows with their drawn progress, and the
// commands on the selected rows from the context menu and the keyboard.
class CTransferManagerBar : public QWidget
{
    Q_OBJECT

public:
    // The width the columns share before any stored width applies.
    static constexpr int kTemplateWidth = 600;

    explicit CTransferManagerBar(CTransferQueue& queue, QWidget* parent = nullptr);
    ~CTransferManagerBar() override;

    QTreeView* List() const { return m_list; }
    // The selected rows, top first.
    QList<int> SelectedRows() const;
    // Built once; shown on a right click only while a row is selected.
    QMenu* ContextMenu() const { return m_menu; }

    void CancelSelected();
    void ResumeSelected();
    // Opens the schedule dialog for the first selected row and applies it to every selected row.
    void ScheduleSelected();
    void SelectAll();
    void InvertSelection();
    // One details dialog after the other, for each selected row.
    void ShowDetails();

    // Writes the column widths to TransferColumnWidth.
    void SaveColumnWidths() const;

private:
    QAction* AddCommand(const QString& name, const QString& text, const QKeySequence& key,
                        void (CTransferManagerBar::*command)());
    void CreateCommands();
    void LoadColumnWidths();
    void OnContextMenu(const QPoint& position);
    static void ShowHelp();

    CTransferQueue& m_queue;
    QTreeView* m_list;
    QMenu* m_menu;
};
