#pragma once

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

// A box with its button beside it, as one row of a form.
inline QWidget* OptionsRow(QWidget* box, QWidget* button)
{
    auto* row = new QWidget(box->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box, 1);
    layout->addWidget(button);
    row->setFocusProxy(box);
    return row;
}

// A path box with a "..." button that picks an existing file into it; the button is named after the box.
inline QWidget* FilePickerRow(QLineEdit* path, const QString& title, const QString& filter)
{
    auto* button = new QPushButton(QStringLiteral("..."), path->parentWidget());
    button->setObjectName(path->objectName() + QStringLiteral("Browse"));
    QObject::connect(button, &QPushButton::clicked, path,
                     [path, title, filter]
                     {
                         const QString file =
                             QFileDialog::getOpenFileName(path->window(), title, path->text(), filter);
                         if (!file.isEmpty())
                             path->setText(file);
                     });
    return OptionsRow(path, button);
}

// The box enables the control only while it is ticked.
inline void EnableWhileTicked(QCheckBox* box, QWidget* control)
{
    control->setEnabled(box->isChecked());
    QObject::connect(box, &QCheckBox::toggled, control, &QWidget::setEnabled);
}
