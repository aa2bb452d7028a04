#include "session/HistoryList.h"

#include "app/Profile.h"

#include <QStringList>

#include <algorithm>

namespace
{

CHistoryItem Split(const QString& textAndData)
{
    const qsizetype bar = textAndData.indexOf(u'|');
    if (bar < 0)
        return {textAndData, {}};
    return {textAndData.left(bar), textAndData.mid(bar + 1)};
}

QString Joined(const CHistoryItem& item)
{
    return item.data.isEmpty() ? item.text : item.text + u'|' + item.data;
}

} // namespace

QString CHistoryList::Key(int index) const
{
    return m_name + QString::number(index);
}

void CHistoryList::Load()
{
    m_items.clear();
    for (int index = 0; index < kLimit; ++index)
    {
        const QString value = GetProfileString(m_name, Key(index));
        if (value.isEmpty())
            break;
        m_items.append(Split(value));
    }
}

bool CHistoryList::Add(const QString& textAndData)
{
    const CHistoryItem item = Split(textAndData);
    if (item.text.isEmpty())
        return false;
    auto same = std::find_if(m_items.begin(), m_items.end(),
                             [&](const CHistoryItem& listed) { return listed.text == item.text; });
    if (same != m_items.end())
    {
        same->data = item.data;
    }
    else
    {
        if (m_items.size() >= kLimit)
            m_items.removeFirst();
        m_items.append(item);
    }
    return Save();
}

bool CHistoryList::Save() const
{
    bool written = true;
    for (int index = 0; index < m_items.size(); ++index)
        written = WriteProfileString(m_name, Key(index), Joined(m_items[index])) && written;
    return written;
}

bool CHistoryList::Clear()
{
    m_items.clear();
    // The store offers no removal; an empty value ends the list for every reader just the same, and
    // overwriting also wipes the passwords that quick-connect entries carry.
    bool written = true;
    for (int index = 0; !GetProfileString(m_name, Key(index)).isEmpty(); ++index)
        written = WriteProfileString(m_name, Key(index), QString()) && written;
    return written;
}

QStringList CHistoryList::Texts() const
{
    QStringList texts;
    for (const CHistoryItem& item : m_items)
        texts.append(item.text);
    return texts;
}
