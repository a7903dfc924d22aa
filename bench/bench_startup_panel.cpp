// The panel's main() as shipped, with a probe that reports the first frame of the window and quits.
#include "FirstFrameProbe.h"

#include "shell/RDX480View.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    RDX480View::installFontFallback();
    RDX480View window;
    FirstFrameProbe probe(&window);
    window.show();
    return app.exec();
}
