#include "engine/VisibleText.h"

#include <algorithm>

namespace
{
// C0, DEL and C1 controls, and the two separators that start a new line in a text widget.
bool IsControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

QString Escape(QChar c)
{
    const ushort code = c.unicode();
    if (code < 0x100)
        return QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(code, 4, 16, QLatin1Char('0'));
}
} // namespace

QString VisibleText(const QString& text, LineBreaks breaks)
{
    if (!HasControlCharacters(text))
        return text;
    QString visible;
    visible.reserve(text.size() + 8);
    for (const QChar c : text)
    {
        if (!IsControl(c) || (c == u'\n' && breaks == LineBreaks::Kept))
            visible += c;
        else
            visible += Escape(c);
    }
    return visible;
}

bool HasControlCharacters(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), IsControl);
}
