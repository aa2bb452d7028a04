#include "ui/PendingConnectionWindow.h"

#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

const QString kNotConnected = QStringLiteral("尚未連線");

bool IsAddress(const QString& target)
{
    return target.contains(QLatin1String("://"));
}

} // namespace

CPendingConnectionWindow::CPendingConnectionWindow(const QString& target, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this))
{
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    OpenTarget(target);
}

void CPendingConnectionWindow::OpenTarget(const QString& target)
{
    m_target = target;
    const QString shown = DisplayTarget(target);
    m_label->setText(shown.isEmpty() ? kNotConnected : shown + u'\n' + kNotConnected);
    setWindowTitle(Title(target));
}

QString CPendingConnectionWindow::DisplayTarget(const QString& target)
{
    if (!IsAddress(target))
        return target;
    const QUrl url(target);
    if (url.isValid())
        return url.toDisplayString(QUrl::RemovePassword);
    // An address Qt cannot read may still hold a password: show only what follows the log-in.
    const qsizetype at = target.lastIndexOf(u'@');
    return at < 0 ? target : target.left(target.indexOf(QLatin1String("://")) + 3) + target.mid(at + 1);
}

QString CPendingConnectionWindow::Title(const QString& target)
{
    if (target.isEmpty() || IsAddress(target))
        return kNotConnected;
    const QString name = target.section(u'\\', -1);
    return name.isEmpty() ? kNotConnected : name;
}
