#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// One page of the options dialog. It reads its values from the settings store when it is made and writes
// them with SaveOptions when the dialog's OK runs; Problem names what would keep a value from being stored
// (a list too long for the store), so that OK can refuse before any page writes.
class COptionsPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    virtual QString Problem() const { return {}; }
    // Writes the controls made with the Bound* makers; pages with more to write add it.
    virtual void SaveOptions();

protected:
    // Controls tied to one stored value each, named after its key: each shows the stored value now and
    // writes its own on SaveOptions. An inverted box is ticked when the value is 0.
    QCheckBox* BoundCheck(const QString& text, const QString& section, const QString& key,
                          bool inverted = false);
    QSpinBox* BoundNumber(const QString& section, const QString& key, int minimum, int maximum);
    QComboBox* BoundList(const QString& section, const QString& key, const QStringList& items);
    QLineEdit* BoundText(const QString& section, const QString& key, bool secret = false);

private:
    QList<std::function<void()>> m_writers;
};
