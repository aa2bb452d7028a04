#pragma once

#include "ui/options/OptionsPage.h"

class QListWidget;

// A page of the filter sheet that edits one stored list of masks; the whole list is written on OK.
class CFilterListPage : public COptionsPage
{
    Q_OBJECT

public:
    // The key names the list in section Filter; the title names it to the user.
    CFilterListPage(const QString& title, const QString& caption, const QString& key, QWidget* parent);

    // Set when the list is too long for the store, which would keep the old list without a word.
    QString Problem() const override;
    void SaveOptions() override;

private:
    QStringList Items() const;
    void AddItem();
    void RemoveItem();

    QString m_key;
    QListWidget* m_list;
};
