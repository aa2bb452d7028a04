#include "ui/dialogs/HistoryComboBox.h"

CHistoryComboBox::CHistoryComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    // The list decides what is kept; Enter must not append entries of its own.
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(CHistoryList::kLimit);
}

void CHistoryComboBox::LoadHistory(const QString& name)
{
    m_history = CHistoryList(name);
    m_history.Load();
    ShowEntries();
}

bool CHistoryComboBox::AddHistoryItem(const QString& textAndData)
{
    const bool saved = m_history.Add(textAndData);
    ShowEntries();
    return saved;
}

bool CHistoryComboBox::SaveHistory() const
{
    return m_history.Save();
}

bool CHistoryComboBox::ClearHistory()
{
    const bool cleared = m_history.Clear();
    clear();
    clearEditText();
    return cleared;
}

QString CHistoryComboBox::ItemData(int index) const
{
    return itemData(index).toString();
}

void CHistoryComboBox::ShowEntries()
{
    const QString typed = currentText();
    const QSignalBlocker quiet(this);
    clear();
    for (const CHistoryItem& item : m_history.Items())
        addItem(item.text, item.data);
    setCurrentIndex(-1);
    setEditText(typed);
}
