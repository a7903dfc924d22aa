#include "shell/Page_Information.h"

#include "ui_Page_Information.h"

#include <QPixmap>

Page_Information::Page_Information(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Page_Information>())
{
    ui->setupUi(this);

    const QPixmap picture(QStringLiteral(":/image/RDX480.jpg"));
    if (!picture.isNull())
        ui->lab_for_image->setPixmap(picture.scaled(700, 300, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    ui->label_6->setText(QStringLiteral("A control panel for the RDX480 video processor, written in C++ with Qt. "
                                        "Its source code and issue tracker live in the project's repository."));
    ui->label_7->setText(QStringLiteral("RDX480 视频处理器的控制面板，使用 C++ 和 Qt 编写。"
                                        "源代码和问题跟踪都在本项目的代码仓库中。"));
    ui->label_7->hide();
}

Page_Information::~Page_Information() = default;

void Page_Information::setLanguage(bool isEnglish)
{
    ui->label_3->setText(isEnglish ? QStringLiteral("Software version") : QStringLiteral("软件版本"));
    ui->label_5->setText(isEnglish ? QStringLiteral("About us") : QStringLiteral("关于我们"));
    ui->label_6->setVisible(isEnglish);
    ui->label_7->setVisible(!isEnglish);
}
