#include "ui/connection/TracePane.h"

#include "ui/dialogs/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QSaveFile>

CTracePane::CTracePane(QWidget* parent)
    : QDockWidget(QCoreApplication::translate("TracePane", "即 時 訊 息"), parent),
      m_lines(new QListWidget(this))
{
    setObjectName(QStringLiteral("TracePane"));
    setFeatures(DockWidgetMovable | DockWidgetFloatable | DockWidgetClosable);
    m_lines->setObjectName(QStringLiteral("TraceLines"));
    m_lines->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lines->setUniformItemSizes(true);
    m_lines->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lines, &QWidget::customContextMenuRequested, this, &CTracePane::ShowMenu);
    setWidget(m_lines);
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_flush, &QTimer::timeout, this, &CTracePane::Flush);
}

QColor CTracePane::LevelColour(int level)
{
    switch (level)
    {
    case 1:
        return QColor(0, 130, 0);
    case 2:
        return QColor(0, 0, 255);
    case 3:
        return QColor(255, 0, 0);
    default:
        return QColor(0, 0, 0);
    }
}

void CTracePane::AddLine(int level, const QString& text)
{
    // Lines that would be pushed out again before being shown are dropped in bulk.
    if (m_pending.size() >= 2 * kMaxLines)
        m_pending.remove(0, m_pending.size() - kMaxLines);
    m_pending.append({level, text});
    if (!m_flush.isActive())
        m_flush.start();
}

void CTracePane::Flush()
{
    m_flush.stop();
    if (m_pending.isEmpty())
        return;
    const qsizetype first = std::max<qsizetype>(m_pending.size() - kMaxLines, 0);
    const int adding = int(m_pending.size() - first);
    const int overflow = m_lines->count() + adding - kMaxLines;
    if (overflow > 0)
        m_lines->model()->removeRows(0, overflow);
    for (qsizetype i = first; i < m_pending.size(); ++i)
    {
        auto* item = new QListWidgetItem(m_pending.at(i).second, m_lines);
        item->setForeground(LevelColour(m_pending.at(i).first));
    }
    m_pending.clear();
    QListWidgetItem* newest = m_lines->item(m_lines->count() - 1);
    m_lines->setCurrentItem(newest);
    m_lines->scrollToItem(newest);
}

QListWidget* CTracePane::Lines()
{
    Flush();
    return m_lines;
}

void CTracePane::Clear()
{
    m_pending.clear();
    m_lines->clear();
}

QString CTracePane::Text()
{
    Flush();
    QString text;
    for (int i = 0; i < m_lines->count(); ++i)
        text += m_lines->item(i)->text() + QStringLiteral("\r\n");
    return text;
}

void CTracePane::CopyToClipboard()
{
    QApplication::clipboard()->setText(Text());
}

bool CTracePane::SaveTo(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(Text().toUtf8());
    return file.commit();
}

void CTracePane::Save()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QCoreApplication::translate("TracePane", "選擇輸出檔案"), QStringLiteral("trace.txt"),
        QCoreApplication::translate("TracePane", "文字檔 (*.txt);;所有檔案 (*)"));
    if (!path.isEmpty() && !SaveTo(path))
        CMessageBox::Show(this, QMessageBox::Warning,
                          QCoreApplication::translate("TracePane", "無法開啟檔案！"));
}

void CTracePane::ShowMenu(const QPoint& where)
{
    QMenu menu(this);
    menu.addAction(QCoreApplication::translate("TracePane", "複製內容"), this, &CTracePane::CopyToClipboard);
    menu.addAction(QCoreApplication::translate("TracePane", "刪除內容"), this, &CTracePane::Clear);
    menu.addAction(QCoreApplication::translate("TracePane", "另存新檔(&S)..."), this, &CTracePane::Save);
    menu.exec(m_lines->viewport()->mapToGlobal(where));
}
