#pragma once

#include "session/HistoryList.h"

#include <QComboBox>

// An editable drop-down whose entries are remembered in the settings store under the history's name.
// The rules of the list (limit, known texts, storage) belong to CHistoryList; this only shows it.
class CHistoryComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CHistoryComboBox(QWidget* parent = nullptr);

    // Shows the entries stored under name; the typed text stays as it is.
    void LoadHistory(const QString& name);
    // Text and data as one string with "|" between them; the list is written back at once.
    bool AddHistoryItem(const QString& textAndData);
    bool SaveHistory() const;
    // Removes every entry and the typed text, here and in the settings store.
    bool ClearHistory();
    // The data text of an entry; empty when it has none or the index is out of range.
    QString ItemData(int index) const;
    const QString& HistoryName() const { return m_history.Name(); }

private:
    void ShowEntries();

    CHistoryList m_history{QString()};
};
