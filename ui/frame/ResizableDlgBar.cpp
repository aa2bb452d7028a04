#include "ui/frame/ResizableDlgBar.h"

#include "app/Profile.h"

#include <QMainWindow>

namespace
{

constexpr int kDockedExtra = 4;

int LoadSize(const QString& section, const char* key, int current)
{
    return GetProfileInt(section, QLatin1String(key), current);
}

} // namespace

CResizableDlgBar::CResizableDlgBar(const QString& caption, QWidget* content, QSize templateSize,
                                   QMainWindow* frame)
    : QDockWidget(caption, frame), m_frame(frame)
{
    setWidget(content);
    setMinimumSize(kMinimumSize, kMinimumSize);
    m_sizes.horizontal = templateSize + QSize(0, kDockedExtra);
    m_sizes.vertical = templateSize + QSize(kDockedExtra, 0);
    m_sizes.floating = templateSize;
}

QSize CResizableDlgBar::AtLeastMinimum(QSize size)
{
    return size.expandedTo(QSize(kMinimumSize, kMinimumSize));
}

void CResizableDlgBar::LoadBarSizes(const QString& section)
{
    m_sizes.horizontal = AtLeastMinimum({LoadSize(section, "SizeHorzCX", m_sizes.horizontal.width()),
                                         LoadSize(section, "SizeHorzCY", m_sizes.horizontal.height())});
    m_sizes.vertical = AtLeastMinimum({LoadSize(section, "SizeVertCX", m_sizes.vertical.width()),
                                       LoadSize(section, "SizeVertCY", m_sizes.vertical.height())});
    m_sizes.floating = AtLeastMinimum({LoadSize(section, "SizeFloatingCX", m_sizes.floating.width()),
                                       LoadSize(section, "SizeFloatingCY", m_sizes.floating.height())});
}

void CResizableDlgBar::SaveBarSizes(const QString& section)
{
    RememberCurrentSize();
    WriteProfileInt(section, QStringLiteral("SizeHorzCX"), m_sizes.horizontal.width());
    WriteProfileInt(section, QStringLiteral("SizeHorzCY"), m_sizes.horizontal.height());
    WriteProfileInt(section, QStringLiteral("SizeVertCX"), m_sizes.vertical.width());
    WriteProfileInt(section, QStringLiteral("SizeVertCY"), m_sizes.vertical.height());
    WriteProfileInt(section, QStringLiteral("SizeFloatingCX"), m_sizes.floating.width());
    WriteProfileInt(section, QStringLiteral("SizeFloatingCY"), m_sizes.floating.height());
}

void CResizableDlgBar::RememberCurrentSize()
{
    // A hidden bar's geometry is whatever it had last; its remembered sizes already hold that.
    if (isHidden())
        return;
    const QSize current = AtLeastMinimum(size());
    if (isFloating())
        m_sizes.floating = current;
    else if (m_frame->dockWidgetArea(this) & (Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea))
        m_sizes.horizontal = current;
    else
        m_sizes.vertical = current;
}

void CResizableDlgBar::ApplySizes()
{
    if (isFloating())
        resize(m_sizes.floating);
    else if (m_frame->dockWidgetArea(this) & (Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea))
        m_frame->resizeDocks({this}, {m_sizes.horizontal.height()}, Qt::Vertical);
    else
        m_frame->resizeDocks({this}, {m_sizes.vertical.width()}, Qt::Horizontal);
}
