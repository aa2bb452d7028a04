#include "ui/transfers/TransferProgressDelegate.h"

#include "transfer/TransferQueue.h"
#include "ui/connection/FileTypeIcon.h"

#include <QPainter>

void CTransferProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    if (index.column() != CTransferQueue::ProgressColumn)
    {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    PaintProgress(painter, option, index.data().toString());
}

QString CTransferProgressDelegate::ProgressText(const QString& percent)
{
    return percent.isEmpty() ? QString() : percent + u'%';
}

int CTransferProgressDelegate::DoneWidth(const QString& percent, int innerWidth)
{
    // A worker never reports more than 100, but a bar must not spill out of its frame if one did.
    const int clamped = qBound(0, percent.toInt(), 100);
    return clamped * qMax(innerWidth, 0) / 100;
}

void CTransferProgressDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != CTransferQueue::NameColumn)
        return;
    option->icon = FileTypeIcon(index.data().toString(), index.data(CTransferQueue::FolderRole).toBool());
    option->features |= QStyleOptionViewItem::HasDecoration;
}

void CTransferProgressDelegate::PaintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                                              const QString& percent)
{
    const QPalette& palette = option.palette;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());

    const QRect frame = option.rect.adjusted(2, 1, -2, -1);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawRect(frame.adjusted(0, 0, -1, -1));
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    const int done = DoneWidth(percent, inner.width());
    const QRect left(inner.left(), inner.top(), done, inner.height());
    const QRect right = inner.adjusted(done, 0, 0, 0);
    const QString text = ProgressText(percent);

    if (selected)
    {
        painter->fillRect(left, palette.button());
        painter->fillRect(right, palette.base());
        painter->setPen(palette.color(QPalette::Text));
        painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    else
    {
        painter->fillRect(left, palette.highlight());
        painter->fillRect(right, palette.button());
        // The text changes colour where the bar ends, so it reads over both parts.
        painter->setClipRect(left);
        painter->setPen(palette.color(QPalette::Base));
        painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter->setClipRect(right);
        painter->setPen(palette.color(QPalette::Text));
        painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    painter->restore();
}
