#pragma once

#include <QDialog>
#include <QList>

class COptionsPage;
class QTabWidget;

// "過濾": the filter's switches and its two lists. Nothing is written before OK, and OK writes nothing
// while a list is too long for the store. exec() gives Accepted once the values are written.
class CFilterSheet : public QDialog
{
    Q_OBJECT

public:
    explicit CFilterSheet(QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return m_tabs; }

    void accept() override;

private:
    QTabWidget* m_tabs;
    QList<COptionsPage*> m_pages;
};
