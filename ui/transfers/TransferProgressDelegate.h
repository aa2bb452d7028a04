#pragma once

#include <QStyledItemDelegate>

// Draws the transfer list: the file type icon before each name and the progress column as a framed
// bar with the percentage centred over it, in one colouring for selected rows and another for the
// rest.
class CTransferProgressDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The cell's text: the percentage followed by "%", nothing for an empty cell.
    static QString ProgressText(const QString& percent);
    // How much of a bar innerWidth wide is done, for a percentage held as decimal digits.
    static int DoneWidth(const QString& percent, int innerWidth);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    static void PaintProgress(QPainter* painter, const QStyleOptionViewItem& option, const QString& percent);
};
