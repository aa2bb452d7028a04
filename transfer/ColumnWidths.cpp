#include "transfer/ColumnWidths.h"

#include <QStringList>

QList<int> ParseTransferColumnWidths(const QString& stored, int columnCount, int equalWidth)
{
    QList<int> widths(qMax(columnCount, 0), equalWidth);
    const QStringList parts = stored.split(u',', Qt::SkipEmptyParts);
    for (int column = 0; column < widths.size() && column < parts.size(); ++column)
    {
        bool number = false;
        const int width = parts[column].trimmed().toInt(&number);
        if (number && width >= 0)
            widths[column] = width;
    }
    return widths;
}

QString FormatTransferColumnWidths(const QList<int>& widths)
{
    QString text;
    for (int width : widths)
        text += QString::number(width) + u',';
    return text;
}
