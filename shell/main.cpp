#include "shell/RDX480View.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    RDX480View::installFontFallback();
    RDX480View window;
    window.show();
    return app.exec();
}
