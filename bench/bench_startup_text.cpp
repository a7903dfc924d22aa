// The fair start-up floor: a bare window of the panel's size that shows what every first frame of the panel
// needs, Chinese text (fontconfig and a CJK font loaded) and one compiled-in JPEG picture (the image plug-in
// loaded, the picture decoded), and nothing else.
#include "FirstFrameProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QVBoxLayout>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(880, 600);
    window.setWindowTitle(QStringLiteral("RDX480控制软件（V1.01)"));
    auto* central = new QWidget(&window);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(new QLabel(QStringLiteral("连接失败！！请检查设备和网络配置。"), central));
    auto* picture = new QLabel(central);
    picture->setPixmap(QPixmap(QStringLiteral(":/image/RDX480.jpg")));
    layout->addWidget(picture);
    window.setCentralWidget(central);
    FirstFrameProbe probe(&window);
    window.show();
    return app.exec();
}
