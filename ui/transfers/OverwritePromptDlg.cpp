#include "ui/transfers/OverwritePromptDlg.h"

#include "app/Profile.h"
#include "ui/connection/FileTypeIcon.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace
{

QLabel* IconLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const int side = parent->style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, parent);
    label->setPixmap(FileTypeIcon(name, false).pixmap(side));
    return label;
}

QLabel* TextLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

COverwritePromptDlg::COverwritePromptDlg(PromptKind kind, const COverwritePromptInfo& info, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_secondsLeft(PromptCountdownStart()), m_timer(new QTimer(this))
{
    const QString name = info.targetPath.mid(info.targetPath.lastIndexOf(u'/') + 1);
    const QLocale locale;
    auto* grid = new QGridLayout(this);
    grid->addWidget(TextLabel(QStringLiteral("exists"), PromptExistsText(info.targetPath), this), 0, 0, 1, 2);
    grid->addWidget(TextLabel({}, QCoreApplication::translate("OverwritePromptDlg", "您要將"), this), 1, 0, 1,
                    2);
    grid->addWidget(IconLabel(name, this), 2, 0, Qt::AlignTop);
    grid->addWidget(TextLabel(QStringLiteral("existing"),
                              DescribePromptFile(info.existingSize, info.existingTime, locale), this),
                    2, 1);
    grid->addWidget(TextLabel({}, QCoreApplication::translate("OverwritePromptDlg", "換成這一個嗎？"), this),
                    3, 0, 1, 2);
    grid->addWidget(IconLabel(name, this), 4, 0, Qt::AlignTop);
    grid->addWidget(TextLabel(QStringLiteral("incoming"),
                              DescribePromptFile(info.incomingSize, info.incomingTime, locale), this),
                    4, 1);
    auto* row = new QHBoxLayout;
    AddButtons(row, info.lastFile);
    grid->addLayout(row, 5, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    ShowTitle();
    if (!m_secondsLeft)
        return;
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &COverwritePromptDlg::Tick);
    connect(this, &QDialog::finished, m_timer, &QTimer::stop);
    m_timer->start();
}

OverwriteAction COverwritePromptDlg::Answer() const
{
    // A window closed without a button skips the file, as the cancel buttons do.
    const int code = result();
    if (code < int(OverwriteAction::Overwrite) || code > int(OverwriteAction::OverwriteAll))
        return OverwriteAction::Skip;
    return OverwriteAction(code);
}

void COverwritePromptDlg::AddButtons(QHBoxLayout* row, bool lastFile)
{
    row->addStretch();
    for (const CPromptButton& button : PromptButtons(m_kind, lastFile))
    {
        auto* push = new QPushButton(button.text, this);
        const int code = int(button.action);
        connect(push, &QPushButton::clicked, this, [this, code] { done(code); });
        row->addWidget(push);
    }
}

void COverwritePromptDlg::Tick()
{
    *m_secondsLeft -= 1;
    if (*m_secondsLeft < 1)
    {
        const int promptAction =
            GetProfileInt(QStringLiteral("SmartOverwrite"), QStringLiteral("PromptAction"));
        done(int(PromptTimeoutAction(m_kind, promptAction)));
        return;
    }
    ShowTitle();
}

void COverwritePromptDlg::ShowTitle()
{
    setWindowTitle(m_secondsLeft ? PromptCountdownTitle(m_kind, *m_secondsLeft) : PromptTitle(m_kind));
}
