#include "ui/options/OptionsPage.h"

#include "app/Profile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace
{
// The key names the control; its section goes with it, for whoever checks what a page stores.
void Name(QWidget* control, const QString& section, const QString& key)
{
    control->setObjectName(key);
    control->setProperty("section", section);
}
} // namespace

void COptionsPage::SaveOptions()
{
    for (const auto& write : std::as_const(m_writers))
        write();
}

QCheckBox* COptionsPage::BoundCheck(const QString& text, const QString& section, const QString& key,
                                    bool inverted)
{
    auto* box = new QCheckBox(text, this);
    Name(box, section, key);
    box->setProperty("inverted", inverted);
    box->setChecked((GetProfileInt(section, key) != 0) != inverted);
    m_writers.append([box, section, key, inverted]
                     { WriteProfileInt(section, key, box->isChecked() != inverted ? 1 : 0); });
    return box;
}

QSpinBox* COptionsPage::BoundNumber(const QString& section, const QString& key, int minimum, int maximum)
{
    auto* box = new QSpinBox(this);
    Name(box, section, key);
    box->setRange(minimum, maximum);
    box->setValue(GetProfileInt(section, key));
    m_writers.append([box, section, key] { WriteProfileInt(section, key, box->value()); });
    return box;
}

QComboBox* COptionsPage::BoundList(const QString& section, const QString& key, const QStringList& items)
{
    auto* list = new QComboBox(this);
    Name(list, section, key);
    list->addItems(items);
    // A stored value past the list shows the first entry, and OK then stores that.
    const int stored = GetProfileInt(section, key);
    list->setCurrentIndex(stored >= 0 && stored < items.size() ? stored : 0);
    m_writers.append([list, section, key] { WriteProfileInt(section, key, list->currentIndex()); });
    return list;
}

QLineEdit* COptionsPage::BoundText(const QString& section, const QString& key, bool secret)
{
    auto* edit = new QLineEdit(GetProfileString(section, key), this);
    Name(edit, section, key);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    m_writers.append([edit, section, key] { WriteProfileString(section, key, edit->text()); });
    return edit;
}
