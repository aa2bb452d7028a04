#pragma once

#include <QDialog>

#include <array>

class COptionsPage;
class QLabel;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

// "Zentrava 選項": the program-wide settings, a tree of twelve pages beside a title band and the page
// chosen. Every page reads the store when the dialog opens; OK writes them all in a fixed order, or
// none when a page cannot store what it holds; Cancel writes nothing.
class COptionsDlg : public QDialog
{
    Q_OBJECT

public:
    enum PageIndex
    {
        GeneralPage,
        ConnectionPage,
        ProxyPage,
        SecurityPage,
        SslPage,
        Ssh2Page,
        AdvancedPage,
        SmartOverwritePage,
        EventsPage,
        RenameRulesPage,
        AsciiTypesPage,
        SmartKeepAlivePage,
        PageCount
    };

    explicit COptionsDlg(QWidget* parent = nullptr);

    COptionsPage* Page(int index) const { return m_pages.at(index); }
    int CurrentPage() const;
    // Chooses the page as a click on its tree item does.
    void ShowPage(int index);

    QTreeWidget* Tree() const { return m_tree; }
    QLabel* BandCaption() const { return m_caption; }
    QLabel* BandText() const { return m_text; }

    void accept() override;

private:
    void OnItemChosen(QTreeWidgetItem* item);

    QTreeWidget* m_tree;
    QLabel* m_caption;
    QLabel* m_text;
    QStackedWidget* m_stack;
    std::array<COptionsPage*, PageCount> m_pages{};
    std::array<QTreeWidgetItem*, PageCount> m_items{};
};
