#ifndef RDX480_TESTS_SHELL_SHELLPROBE_H
#define RDX480_TESTS_SHELL_SHELLPROBE_H

#include <QFile>
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

} // namespace ShellProbe

#endif
