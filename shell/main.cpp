#include "shell/QuitOnSignal.h"
#include "shell/RDX480View.h"
#include "shell/WorkingFolder.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.rdx480.Panel"));
    const QuitOnSignal quitOnSignal;
    if (const std::optional<int> exitCode = WorkingFolder::enter(QApplication::arguments()))
        return *exitCode;
    RDX480View::installFontFallback();
    RDX480View window;
    window.show();
    return app.exec();
}
