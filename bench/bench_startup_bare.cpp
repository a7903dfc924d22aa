// What any Qt Widgets program pays to show an empty window the panel's size: the start-up floor.
#include "FirstFrameProbe.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(880, 600);
    FirstFrameProbe probe(&window);
    window.show();
    return app.exec();
}
