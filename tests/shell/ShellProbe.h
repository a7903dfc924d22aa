#ifndef RDX480_TESTS_SHELL_SHELLPROBE_H
#define RDX480_TESTS_SHELL_SHELLPROBE_H

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QTabWidget>
#include <QToolBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>

// What the operator sees of the shell, and the settings file an earlier run left behind.
namespace ShellProbe {

inline bool writeIni(const QByteArray& contents)
{
    QFile file(QStringLiteral("info.ini"));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

// The host's pages that are on screen, by object name.
inline QStringList visiblePages(const QWidget& window)
{
    QStringList names;
    for (const char* name :
         {"wid_for_navigation", "wid_for_control", "wid_for_montage", "wid_for_setting", "wid_for_information"}) {
        const auto* page = window.findChild<QWidget*>(QLatin1String(name));
        if (page && page->isVisible())
            names << QLatin1String(name);
    }
    return names;
}

inline bool click(const QWidget& window, const QString& button)
{
    auto* target = window.findChild<QPushButton*>(button);
    if (target)
        QTest::mouseClick(target, Qt::LeftButton);
    return target;
}

// Every text the window shows, by where it is (object names from the window down); hidden widgets, the wait
// overlay and the Navigation page, which keep one language, are left out.
inline QMap<QString, QString> texts(const QWidget& window)
{
    QMap<QString, QString> found{{QStringLiteral("title"), window.windowTitle()}};
    const auto add = [&found](const QString& where, const QString& text) {
        QString key = where;
        for (int n = 2; found.contains(key); ++n)
            key = where + QLatin1Char('#') + QString::number(n);
        found.insert(key, text);
    };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        QString where;
        for (QWidget* up = widget; up && up != &window; up = up->parentWidget())
            where.prepend(QLatin1Char('/') + (up->objectName().isEmpty() ? QLatin1String(up->metaObject()->className())
                                                                          : up->objectName()));
        // One of the two about texts is hidden; neither overlay nor Navigation page change language.
        if (widget->isHidden() || where.contains(QLatin1String("wid_send_box")) ||
            where.contains(QLatin1String("wid_for_navigation")))
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget))
            add(where, label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(where, button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            add(where, group->title());
        else if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                add(where, tabs->tabText(i));
        else if (auto* box = qobject_cast<QToolBox*>(widget))
            for (int i = 0; i < box->count(); ++i)
                add(where, box->itemText(i));
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                add(where, combo->itemText(i));
        else if (auto* view = qobject_cast<QAbstractItemView*>(widget);
                 view && view->model() && !qobject_cast<QComboBox*>(view->window()->parentWidget())) {
            const QAbstractItemModel* model = view->model();
            for (int column = 0; column < model->columnCount(); ++column) {
                add(where, model->headerData(column, Qt::Horizontal).toString());
                for (int row = 0; row < model->rowCount(); ++row)
                    add(where, model->index(row, column).data().toString());
            }
        }
    }
    return found;
}

// Every visible widget on a tool-box page lies inside the part of the page the tool box shows.
inline bool fits(QWidget* page)
{
    const QWidget* shownArea = page->parentWidget();
    const QRect area(shownArea->mapTo(shownArea->window(), QPoint()), shownArea->size());
    for (QWidget* child : page->findChildren<QWidget*>())
        if (child->isVisible() && !area.contains(QRect(child->mapTo(child->window(), QPoint()), child->size()))) {
            qWarning() << child->objectName() << "lies outside" << area;
            return false;
        }
    return true;
}

inline void saveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("RDX480_SHOTS");
    if (!folder.isEmpty())
        window.grab().save(folder + QLatin1Char('/') + name + QLatin1String(".png"));
}

} // namespace ShellProbe

#endif
