#include "link/Logging.h"
#include "shell/PanelCommandLine.h"
#include "shell/QuitOnSignal.h"
#include "shell/RDX480View.h"
#include "shell/WorkingFolder.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    PanelCommandLine commandLine;
    {
        // No display is needed to read the options: --help and --version work over ssh.
        const QCoreApplication options(argc, argv);
        commandLine = PanelCommandLine::parse(QCoreApplication::arguments());
    }
    if (commandLine.exitCode) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }
    Rdx::setUpLogging(commandLine.trace);

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.rdx480.Panel"));
    const QuitOnSignal quitOnSignal;
    if (!commandLine.folder.isEmpty() && !WorkingFolder::enter(commandLine.folder))
        return 1;
    RDX480View::installFontFallback();
    RDX480View window;
    window.show();
    return app.exec();
}
