#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTabBar>
#include <QWidget>

// Pictures of windows for a person to look at, taken in every test run (offscreen) and written into the
// test program's build folder under "screenshots" ($ZENTRAVA_SCREENSHOTS names another folder). Each is
// checked first, so that a blank window or one without its texts fails the test.
namespace Screenshot
{
inline QDir Folder()
{
    QString folder = qEnvironmentVariable("ZENTRAVA_SCREENSHOTS");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return QDir(folder);
}

inline void AddModelTexts(const QAbstractItemModel& model, const QModelIndex& parent, QStringList& texts)
{
    for (int row = 0; row < model.rowCount(parent) && texts.size() < 2000; ++row)
        for (int column = 0; column < model.columnCount(parent); ++column)
        {
            const QModelIndex index = model.index(row, column, parent);
            texts << index.data().toString();
            if (column == 0)
                AddModelTexts(model, index, texts);
        }
}

// What the widget and its visible children show: titles, labels, buttons, fields, tabs and item views.
inline QStringList ShownTexts(QWidget& widget)
{
    QStringList texts{widget.windowTitle()};
    QList<QWidget*> shown{&widget};
    for (QWidget* child : widget.findChildren<QWidget*>())
        if (child->isVisibleTo(&widget))
            shown << child;
    for (QWidget* item : std::as_const(shown))
    {
        if (auto* label = qobject_cast<QLabel*>(item))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(item))
            texts << button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(item))
            texts << edit->text();
        else if (auto* box = qobject_cast<QGroupBox*>(item))
            texts << box->title();
        else if (auto* combo = qobject_cast<QComboBox*>(item))
            texts << combo->currentText();
        else if (auto* tabs = qobject_cast<QTabBar*>(item))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        else if (auto* view = qobject_cast<QAbstractItemView*>(item); view && view->model())
            AddModelTexts(*view->model(), view->rootIndex(), texts);
    }
    for (QString& text : texts)
        text.remove(u'&');
    return texts;
}

// Empty when the picture is of the widget (its size), is not blank (a handful of colours at least) and
// the widget shows each of the texts; else what is wrong.
inline QString Problem(const QImage& picture, QWidget& widget, const QStringList& texts)
{
    if (picture.isNull() || picture.size() != widget.size() * widget.devicePixelRatio())
        return QStringLiteral("the picture is not of the window's size");
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height() && colours.size() < 8; y += 2)
        for (int x = 0; x < picture.width() && colours.size() < 8; x += 2)
            colours.insert(picture.pixel(x, y));
    if (colours.size() < 8)
        return QStringLiteral("the window is blank");
    const QStringList shown = ShownTexts(widget);
    for (const QString& text : texts)
        if (!shown.join(u'\n').contains(text))
            return QStringLiteral("'%1' is not shown; shown: %2").arg(text, shown.join(QStringLiteral(" | ")));
    return {};
}

// Checks the widget's picture as above and writes it as name; empty, or what went wrong.
inline QString Save(QWidget& widget, const QString& name, const QStringList& texts)
{
    const QImage picture = widget.grab().toImage();
    const QString problem = Problem(picture, widget, texts);
    if (!problem.isEmpty())
        return name + QStringLiteral(": ") + problem;
    return picture.save(Folder().filePath(name)) ? QString() : name + QStringLiteral(": could not be written");
}
} // namespace Screenshot
