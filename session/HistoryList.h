#pragma once

#include <QList>
#include <QString>

// One entry of a history list: the text shown and an optional data text.
struct CHistoryItem
{
    QString text;
    QString data;
};

// The entries behind a history drop-down, kept in the settings store in the section named after the
// list, one value per entry named by the list's name and the entry's index from 0 ("QuickConnect0",
// "QuickConnect1", ...), each the text followed by "|" and the data when there is data.
class CHistoryList
{
public:
    static constexpr int kLimit = 10;

    explicit CHistoryList(QString name) : m_name(std::move(name)) {}

    // Reads the values from index 0 up to the first missing or empty one, splitting each at its first "|".
    void Load();
    // Text and data given as one string with "|" between them. A text already listed only takes the
    // new data and keeps its place; a new one is appended, the first entry dropping out when the list
    // is full. All entries are written back. An empty text is ignored.
    bool Add(const QString& textAndData);
    bool Save() const;
    // Removes every entry, here and in the settings store.
    bool Clear();

    const QString& Name() const { return m_name; }
    const QList<CHistoryItem>& Items() const { return m_items; }
    QStringList Texts() const;

private:
    QString Key(int index) const;

    QString m_name;
    QList<CHistoryItem> m_items;
};
