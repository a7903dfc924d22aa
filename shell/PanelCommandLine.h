#ifndef RDX480_SHELL_PANELCOMMANDLINE_H
#define RDX480_SHELL_PANELCOMMANDLINE_H

#include <QString>
#include <QStringList>

#include <optional>

// The options of rdx480. Read before the window system is reached, so --help, --version and a mistyped
// option are answered over ssh and in scripts without a display.
struct PanelCommandLine
{
    std::optional<int> exitCode; // set when the panel must not start: 0 after --help/--version, 2 on an error
    QString output;              // what to print then: stdout for 0, stderr otherwise
    QString folder;              // where to work; empty: the current folder
    bool trace = false;          // every frame in and out on stderr

    // Needs a QCoreApplication for the help text; Qt's own options (-platform, -style ...) are let through
    // for the application object that follows.
    static PanelCommandLine parse(const QStringList& arguments);
};

#endif
