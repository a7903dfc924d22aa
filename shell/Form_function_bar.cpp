#include "shell/Form_function_bar.h"

#include "ui_Form_function_bar.h"

#include <QBitmap>
#include <QPixmap>

namespace {
struct BarTexts
{
    QString control, mosaic, setting, information, connect, disconnect;
};

const BarTexts& barTexts(bool isEnglish)
{
    static const BarTexts english{QStringLiteral("Control"),  QStringLiteral("Mosaic"),  QStringLiteral("Setting"),
                                  QStringLiteral("Informat"), QStringLiteral("Connect"), QStringLiteral("Disconnect")};
    static const BarTexts chinese{QStringLiteral("控制"), QStringLiteral("拼接"), QStringLiteral("设置"),
                                  QStringLiteral("信息"), QStringLiteral("连接"), QStringLiteral("断开")};
    return isEnglish ? english : chinese;
}
} // namespace

Form_function_bar::Form_function_bar(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Form_function_bar>())
{
    ui->setupUi(this);

    // The buttons are drawn square; the mask's alpha cuts them round. A square frame would show as broken
    // arcs where the mask cuts it, so the ring around the icon is the bar's grey, darker while pressed.
    const QPixmap mask(QStringLiteral(":/image/mask.png"));
    const QString roundButtonStyle = QStringLiteral("QPushButton { border: none; background-color: rgb(176, 176, 176); }"
                                                    "QPushButton:pressed { background-color: rgb(110, 110, 110); }");
    for (QPushButton* button :
         {ui->but_for_control, ui->but_for_mosaic, ui->but_for_setting, ui->but_for_information}) {
        button->setStyleSheet(roundButtonStyle);
        if (!mask.isNull())
            button->setMask(mask.size() == button->size() ? mask.mask()
                                                          : mask.scaled(button->size(), Qt::IgnoreAspectRatio).mask());
        connect(button, &QPushButton::clicked, this, &Form_function_bar::rsp_charge_page);
    }
    connect(ui->connect_but, &QPushButton::clicked, this, &Form_function_bar::click_connect);
}

Form_function_bar::~Form_function_bar() = default;

void Form_function_bar::click_connect()
{
    if (connected)
        emit send_close_connect();
    else
        emit send_connect();
}

void Form_function_bar::rsp_charge_page()
{
    const QObject* button = sender();
    if (button == ui->but_for_control)
        emit send_page_index(1);
    else if (button == ui->but_for_mosaic)
        emit send_page_index(2);
    else if (button == ui->but_for_setting)
        emit send_page_index(3);
    else
        emit send_page_index(4);
}

void Form_function_bar::setConnected(bool flag)
{
    connected = flag;
    showConnectState();
}

void Form_function_bar::setLanguage(bool isEnglish)
{
    const BarTexts& texts = barTexts(isEnglish);
    ui->lab_for_control->setText(texts.control);
    ui->lab_for_mosaic->setText(texts.mosaic);
    ui->lab_for_setting->setText(texts.setting);
    ui->lab_for_information->setText(texts.information);
    connectText = texts.connect;
    disconnectText = texts.disconnect;
    showConnectState();
}

void Form_function_bar::showConnectState()
{
    ui->connect_but->setText(connected ? disconnectText : connectText);
    ui->connect_but->setActive(connected);
}
