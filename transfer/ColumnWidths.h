#pragma once

#include <QList>
#include <QString>

// The transfer list's column widths as the TransferColumnWidth setting keeps them: each width
// followed by ",", in column order.

// Every column gets equalWidth, then the stored parts that are not empty set the columns in order
// (the first such part the first column, and so on). A part that is no width (not a number, or
// negative) leaves its column at equalWidth; parts beyond the last column are ignored.
QList<int> ParseTransferColumnWidths(const QString& stored, int columnCount, int equalWidth);
QString FormatTransferColumnWidths(const QList<int>& widths);
