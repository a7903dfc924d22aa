#ifndef RDX480_TESTS_SHELL_SHELLPROBE_H
#define RDX480_TESTS_SHELL_SHELLPROBE_H

#include <QtTest>
#include <QtWidgets>

// What the operator sees of the shell, and the settings file an earlier run left behind or this one wrote.
namespace ShellProbe {

inline bool writeIni(const QByteArray& contents)
{
    QFile file(QStringLiteral("info.ini"));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

inline QByteArray readIni()
{
    QFile file(QStringLiteral("info.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool showAndWait(QWidget& window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

// The host's pages that are on screen, by object name.
inline QStringList visiblePages(const QWidget& window)
{
    QStringList names;
    for (const QWidget* page : window.findChild<QWidget*>(QStringLiteral("wig_main_page"))->findChildren<QWidget*>(
             QRegularExpression(QStringLiteral("^wid_for_")), Qt::FindDirectChildrenOnly))
        if (page->isVisible())
            names << page->objectName();
    return names;
}

inline bool click(const QWidget& window, const QString& button)
{
    auto* target = window.findChild<QPushButton*>(button);
    if (target)
        QTest::mouseClick(target, Qt::LeftButton);
    return target;
}

// Clicks a button of the window and gives the pages on screen then.
inline QStringList pagesAfter(const QWidget& window, const QString& button)
{
    return click(window, button) ? visiblePages(window) : QStringList{QStringLiteral("no button ") + button};
}

// Every text the window shows, by object name; hidden widgets, the wait overlay and the Navigation page, which
// keep one language, are left out.
inline QMultiMap<QString, QString> texts(const QWidget& window)
{
    QMultiMap<QString, QString> found{{QStringLiteral("title"), window.windowTitle()}};
    const auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
    const auto* navigation = window.findChild<QWidget*>(QStringLiteral("wid_for_navigation"));
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isHidden() || overlay->isAncestorOf(widget) || navigation->isAncestorOf(widget))
            continue;
        QStringList shown;
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) || qobject_cast<QGroupBox*>(widget))
            shown << widget->property("text").toString() << widget->property("title").toString();
        auto* tabs = qobject_cast<QTabWidget*>(widget);
        for (int i = 0; tabs && i < tabs->count(); ++i)
            shown << tabs->tabText(i);
        auto* box = qobject_cast<QToolBox*>(widget);
        for (int i = 0; box && i < box->count(); ++i)
            shown << box->itemText(i);
        auto* combo = qobject_cast<QComboBox*>(widget);
        for (int i = 0; combo && i < combo->count(); ++i)
            shown << combo->itemText(i);
        const auto* view = qobject_cast<QAbstractItemView*>(widget);
        for (int c = 0; view && view->model() && c < view->model()->columnCount(); ++c) {
            shown << view->model()->headerData(c, Qt::Horizontal).toString();
            for (int r = 0; r < view->model()->rowCount(); ++r)
                shown << view->model()->index(r, c).data().toString();
        }
        for (const QString& text : shown)
            found.insert(widget->objectName(), text);
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
