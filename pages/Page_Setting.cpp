#include "pages/Page_Setting.h"

#include "link/CData.h"
#include "link/Singleton_SerialPort.h"
#include "pages/PageSupport.h"
#include "ui_Page_Setting.h"
#include "widgets/MessageBox.h"
#include "widgets/QIPLineEdit.h"

#include <QGroupBox>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace {

// The device takes a while to change its output or restart; the main window's time-out waits this long.
constexpr int DeviceRestartWaitMs = 30000;

constexpr int PictureDefault = 50;
constexpr int OutputBrightnessDefault = 32;

// The resolution list skips the device's format 4.
constexpr int SkippedFormat = 4;

int formatOfIndex(int index)
{
    return index < SkippedFormat ? index : index + 1;
}

int indexOfFormat(int format)
{
    return format < SkippedFormat ? format : format - 1;
}

// The audio bars list the inputs from V1 (code 7) down to EXT. (code 0); no selection gives 8, which the
// device refuses.
constexpr int AudioButtonCount = 8;

int audioCode(int buttonIndex)
{
    return AudioButtonCount - 1 - buttonIndex;
}

// The TCP port field takes four characters.
constexpr int PortFieldLength = 4;
constexpr int MaxTcpPort = 65535;
// The device number travels in one byte.
constexpr int MaxDeviceNumber = 255;

} // namespace

Page_Setting::Page_Setting(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Page_Setting>()), m_link(Singleton_SerialPort::instance())
{
    ui->setupUi(this);

    const QStringList sources = {QStringLiteral("V1"),   QStringLiteral("V2"),   QStringLiteral("VGA"),
                                 QStringLiteral("HDM1"), QStringLiteral("HDM2"), QStringLiteral("DVI1"),
                                 QStringLiteral("DVI2"), QStringLiteral("EXIT.")};
    for (MyButtonBar* bar : {ui->butBar_ad1, ui->butBar_ad2, ui->butBar_ad3}) {
        bar->setButtons(sources, false);
        connect(bar, &MyButtonBar::seleteCharge, this, &Page_Setting::rsp_ad);
    }

    const std::pair<QSlider*, QSpinBox*> ties[] = {{ui->slider_luminance, ui->spinBox_luminance},
                                                   {ui->slider_contrast, ui->spinBox_contrast},
                                                   {ui->slider_color, ui->spinBox_color},
                                                   {ui->slider_out_luminance, ui->spinBox_out_luminance}};
    for (const auto& [slider, spinBox] : ties) {
        connect(slider, &QSlider::valueChanged, spinBox, &QSpinBox::setValue);
        connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), slider, &QSlider::setValue);
    }
    connect(ui->lineEdit_ip, &QIPLineEdit::charge, this, &Page_Setting::on_charge);

    ui->tabWid_audio_frequency->setCurrentIndex(0);
    ui->tabWid_picture_quality->setCurrentIndex(ContrastTab);
    setLanguage(true);
}

Page_Setting::~Page_Setting()
{
    // The editor reports every event of its octets, also while the page's children are torn down.
    disconnect(ui->lineEdit_ip, nullptr, this, nullptr);
}

void Page_Setting::setLanguage(bool isEnglish)
{
    ui->lineEdit_ip->setLanguage(isEnglish);
    refreshCommGroup();

    struct Text
    {
        QObject* widget;
        QString english;
        QString chinese;
    };
    const QString reset[] = {QStringLiteral("Reset"), QStringLiteral("重置")};
    const QString accept[] = {QStringLiteral("OK"), QStringLiteral("提交")};
    const Text texts[] = {
        {ui->lab_resolution_ratio, QStringLiteral("Resolution"), QStringLiteral("输出分辨率")},
        {ui->label_audio_frequency, QStringLiteral("Audio"), QStringLiteral("音频")},
        {ui->lab_reset, QStringLiteral("Device Reset"), QStringLiteral("复位")},
        {ui->but_reset, QStringLiteral("Device Reset"), QStringLiteral("复位")},
        {ui->lab_picture_quality, QStringLiteral("Color&Brigth\nect."), QStringLiteral("图像画质")},
        {ui->lab_out_luminance, QStringLiteral("Output Bright"), QStringLiteral("输出亮度")},
        {ui->groupBox, QStringLiteral("Communication"), QStringLiteral("通信")},
        {ui->lab_ip, QStringLiteral("IP Address"), QStringLiteral("IP地址")},
        {ui->label_2, QStringLiteral("Port Exist"), QStringLiteral("存在的串口")},
        {ui->lab_port, QStringLiteral("Port"), QStringLiteral("端口")},
        {ui->label, QStringLiteral("Equipment number"), QStringLiteral("设备编号")},
        {ui->radioButton, QStringLiteral("NetWork"), QStringLiteral("网络")},
        {ui->radioButton_2, QStringLiteral("GorgeLine"), QStringLiteral("串口")},
        {ui->groupBox_language, QStringLiteral("Language/语言"), QStringLiteral("Language/语言")},
        {ui->groupBox_dvi, QStringLiteral("DVI Hotplug"), QStringLiteral("DVI热插拔")},
        {ui->radio_dvi_open, QStringLiteral("Open"), QStringLiteral("开")},
        {ui->radio_dvi_close, QStringLiteral("Close"), QStringLiteral("关")},
        {ui->but_reset_luminance, reset[0], reset[1]},
        {ui->but_reset_contrast, reset[0], reset[1]},
        {ui->but_reset_color, reset[0], reset[1]},
        {ui->but_reset_luminance_2, reset[0], reset[1]},
        {ui->but_accept_picture_quality, accept[0], accept[1]},
        {ui->but_accept_luminance, accept[0], accept[1]},
        {ui->but_accept_ip, accept[0], accept[1]},
    };
    for (const Text& text : texts) {
        setWidgetText(text.widget, isEnglish ? text.english : text.chinese);
    }

    const QString audioTabs[][2] = {
        {QStringLiteral("AUDIO1 CONFIG"), QStringLiteral("AD1_音频设置")},
        {QStringLiteral("AUDIO2 CONFIG"), QStringLiteral("AD2_音频设置")},
        {QStringLiteral("AUDIO3 CONFIG"), QStringLiteral("AD3_音频设置")},
    };
    const QString pictureTabs[][2] = {
        {QStringLiteral("Brightness"), QStringLiteral("亮度")},
        {QStringLiteral("Contrast"), QStringLiteral("对比度")},
        {QStringLiteral("Color"), QStringLiteral("颜色")},
    };
    const int language = isEnglish ? 0 : 1;
    for (int tab = 0; tab < 3; ++tab) {
        ui->tabWid_audio_frequency->setTabText(tab, audioTabs[tab][language]);
        ui->tabWid_picture_quality->setTabText(tab, pictureTabs[tab][language]);
    }

    m_attentionTitle = isEnglish ? QStringLiteral("Attention") : QStringLiteral("注意");
    m_invalidAddressText = isEnglish ? QStringLiteral("Your IP Address is Invalid!") : QStringLiteral("IP地址无效！");
    m_invalidIdText = isEnglish ? QStringLiteral("The equipment number must be from 0 to 255.")
                                : QStringLiteral("设备编号必须是 0 到 255 之间的数字。");
    m_invalidPortText = isEnglish ? QStringLiteral("The port must be a number from 1 to 65535.")
                                  : QStringLiteral("端口号必须是 1 到 65535 之间的数字。");
    m_noSerialPortText = isEnglish ? QStringLiteral("Please choose a serial port.") : QStringLiteral("请选择串口。");

    (isEnglish ? ui->radio_english : ui->radio_chinese)->setChecked(true);
}

void Page_Setting::refreshFromDevice(bool checkConnection, int waitMs)
{
    if (checkConnection && !m_link->isConnected()) {
        return;
    }
    emit m_link->sendStarTime(waitMs);
    m_link->resetReads(-2);
    m_link->requestRead(Rdx::StatusRead);
    m_link->requestRead(Rdx::PictureRead);
}

Rdx::Outcome Page_Setting::send(int code, const int* params, int count)
{
    // A widget that changes while the page copies the device state must not start an exchange: that would
    // drop the reads still on their way.
    if (m_link->busy) {
        return Rdx::Outcome::Busy;
    }
    m_link->resetReads(-2);
    const Rdx::Outcome outcome = m_link->runCommand(code, params, count);
    if (outcome == Rdx::Outcome::Unanswered) {
        const bool picture = code >= Rdx::BrightnessCommand && code <= Rdx::OutputBrightnessCommand;
        if (picture)
            readBack(m_link, {Rdx::PictureRead});
        else if (code == Rdx::ResetCommand)
            readBack(m_link, {Rdx::StatusRead, Rdx::PictureRead});
        else
            readBack(m_link, {Rdx::StatusRead});
    }
    return outcome;
}

void Page_Setting::applyStatus()
{
    const CData& device = m_link->deviceState;
    const FillGuard filling(m_link);
    ui->comboBox_resolution_ratio->setCurrentIndex(indexOfFormat(device.outputFormat));
    ui->butBar_ad1->setCurrentIndex(audioCode(device.audio1Source));
    ui->butBar_ad2->setCurrentIndex(audioCode(device.audio2Source));
    ui->butBar_ad3->setCurrentIndex(audioCode(device.audio3Source));
    (device.dviHotplug != 0 ? ui->radio_dvi_open : ui->radio_dvi_close)->setChecked(true);
}

void Page_Setting::showPicture()
{
    const CData& device = m_link->deviceState;
    {
        const FillGuard filling(m_link);
        ui->spinBox_luminance->setValue(device.brightness);
        ui->spinBox_contrast->setValue(device.contrast);
        ui->spinBox_color->setValue(device.color);
        ui->spinBox_out_luminance->setValue(device.outputBrightness);
    }
    ui->but_accept_picture_quality->setEnabled(false);
    ui->but_accept_luminance->setEnabled(false);
}

QSpinBox* Page_Setting::pictureSpinBox(int tab) const
{
    switch (tab) {
    case BrightnessTab:
        return ui->spinBox_luminance;
    case ContrastTab:
        return ui->spinBox_contrast;
    default:
        return ui->spinBox_color;
    }
}

int& Page_Setting::pictureValue(int tab) const
{
    CData& device = m_link->deviceState;
    switch (tab) {
    case BrightnessTab:
        return device.brightness;
    case ContrastTab:
        return device.contrast;
    default:
        return device.color;
    }
}

void Page_Setting::sendPicture(int tab)
{
    const int value = pictureSpinBox(tab)->value();
    const Rdx::Outcome outcome = send(Rdx::BrightnessCommand + tab, &value, 1);
    if (outcome == Rdx::Outcome::Accepted) {
        pictureValue(tab) = value;
        ui->but_accept_picture_quality->setEnabled(false);
    } else if (outcome != Rdx::Outcome::Busy) {
        showPicture();
    }
}

void Page_Setting::sendOutputBrightness()
{
    const int value = ui->spinBox_out_luminance->value();
    const Rdx::Outcome outcome = send(Rdx::OutputBrightnessCommand, &value, 1);
    if (outcome == Rdx::Outcome::Accepted) {
        m_link->deviceState.outputBrightness = value;
        ui->but_accept_luminance->setEnabled(false);
    } else if (outcome != Rdx::Outcome::Busy) {
        showPicture();
    }
}

void Page_Setting::on_but_accept_picture_quality_clicked()
{
    sendPicture(ui->tabWid_picture_quality->currentIndex());
}

void Page_Setting::on_but_reset_luminance_clicked()
{
    ui->spinBox_luminance->setValue(PictureDefault);
    sendPicture(BrightnessTab);
}

void Page_Setting::on_but_reset_contrast_clicked()
{
    ui->spinBox_contrast->setValue(PictureDefault);
    sendPicture(ContrastTab);
}

void Page_Setting::on_but_reset_color_clicked()
{
    ui->spinBox_color->setValue(PictureDefault);
    sendPicture(ColorTab);
}

void Page_Setting::on_spinBox_luminance_valueChanged(int)
{
    ui->but_accept_picture_quality->setEnabled(true);
}

void Page_Setting::on_spinBox_contrast_valueChanged(int)
{
    ui->but_accept_picture_quality->setEnabled(true);
}

void Page_Setting::on_spinBox_color_valueChanged(int)
{
    ui->but_accept_picture_quality->setEnabled(true);
}

void Page_Setting::on_tabWid_picture_quality_currentChanged(int index)
{
    if (index >= 0) {
        ui->but_accept_picture_quality->setEnabled(pictureSpinBox(index)->value() != pictureValue(index));
    }
}

void Page_Setting::on_but_reset_luminance_2_clicked()
{
    ui->spinBox_out_luminance->setValue(OutputBrightnessDefault);
    sendOutputBrightness();
}

void Page_Setting::on_spinBox_out_luminance_valueChanged(const QString&)
{
    ui->but_accept_luminance->setEnabled(true);
}

void Page_Setting::on_but_accept_luminance_clicked()
{
    sendOutputBrightness();
}

void Page_Setting::on_comboBox_resolution_ratio_currentIndexChanged(int index)
{
    if (index < 0 || m_link->busy) {
        return;
    }
    const int format = formatOfIndex(index);
    if (format == m_link->deviceState.outputFormat) {
        return;
    }
    const Rdx::Outcome outcome = send(Rdx::ResolutionCommand, &format, 1);
    if (outcome == Rdx::Outcome::Accepted) {
        // The device copy learns the new format from the status the device reports once it has switched.
        emit m_link->sendStarTime(DeviceRestartWaitMs);
        m_link->requestRead(Rdx::StatusRead);
    } else if (outcome != Rdx::Outcome::Busy) {
        applyStatus();
    }
}

void Page_Setting::on_but_reset_clicked()
{
    const int zero = 0;
    if (send(Rdx::ResetCommand, &zero, 1) != Rdx::Outcome::Accepted) {
        return;
    }
    emit m_link->sendStarTime(DeviceRestartWaitMs);
    m_link->requestRead(Rdx::StatusRead);
    CData& device = m_link->deviceState;
    device.brightness = PictureDefault;
    device.contrast = PictureDefault;
    device.color = PictureDefault;
    device.outputBrightness = OutputBrightnessDefault;
    showPicture();
}

void Page_Setting::rsp_ad()
{
    const int codes[] = {audioCode(ui->butBar_ad1->currentIndex()), audioCode(ui->butBar_ad2->currentIndex()),
                         audioCode(ui->butBar_ad3->currentIndex())};
    // One source cannot feed two audio outputs.
    if (codes[0] == codes[1] || codes[0] == codes[2] || codes[1] == codes[2]) {
        applyStatus();
        return;
    }
    const Rdx::Outcome outcome = send(Rdx::AudioCommand, codes, 3);
    if (outcome == Rdx::Outcome::Accepted) {
        CData& device = m_link->deviceState;
        device.audio1Source = codes[0];
        device.audio2Source = codes[1];
        device.audio3Source = codes[2];
    } else if (outcome != Rdx::Outcome::Busy) {
        applyStatus();
    }
}

void Page_Setting::sendDviHotplug()
{
    const int open = ui->radio_dvi_open->isChecked() ? 1 : 0;
    const Rdx::Outcome outcome = send(Rdx::DviHotplugCommand, &open, 1);
    if (outcome == Rdx::Outcome::Accepted) {
        m_link->deviceState.dviHotplug = open;
    } else if (outcome != Rdx::Outcome::Busy) {
        applyStatus();
    }
}

void Page_Setting::on_radio_dvi_open_clicked()
{
    sendDviHotplug();
}

void Page_Setting::on_radio_dvi_close_clicked()
{
    sendDviHotplug();
}

void Page_Setting::on_radio_chinese_clicked()
{
    emit send_language(ui->radio_english->isChecked());
}

void Page_Setting::on_radio_english_clicked()
{
    emit send_language(ui->radio_english->isChecked());
}

void Page_Setting::updateCommWidgets()
{
    const bool network = m_link->useNetwork;
    for (QWidget* widget : {static_cast<QWidget*>(ui->lab_ip), static_cast<QWidget*>(ui->lineEdit_ip),
                            static_cast<QWidget*>(ui->lineEdit_port)}) {
        widget->setVisible(network);
    }
    for (QWidget* widget : {static_cast<QWidget*>(ui->label_2), static_cast<QWidget*>(ui->comboBox_port),
                            static_cast<QWidget*>(ui->lineEdit_port_2)}) {
        widget->setVisible(!network);
    }
    if (!network) {
        // Refilling must not put another port into the name field: the link's port stays chosen.
        const QSignalBlocker refilling(ui->comboBox_port);
        ui->comboBox_port->clear();
        ui->comboBox_port->addItems(Singleton_SerialPort::availablePorts());
        ui->comboBox_port->setCurrentIndex(ui->comboBox_port->findText(m_link->serialPortName));
    }
}

void Page_Setting::refreshCommGroup()
{
    (m_link->useNetwork ? ui->radioButton : ui->radioButton_2)->setChecked(true);
    updateCommWidgets();
    // A wrong stored address was reported once at start-up; here it only stays visible to be corrected.
    if (QIPLineEdit::isValidAddress(m_link->hostAddress)) {
        ui->lineEdit_ip->setAddress(m_link->hostAddress);
    } else {
        ui->lineEdit_ip->showUnchecked(m_link->hostAddress);
    }
    // A stored port longer than the field is shown whole rather than cut into another port.
    const QString port = QString::number(m_link->tcpPort);
    ui->lineEdit_port->setMaxLength(std::max(PortFieldLength, int(port.size())));
    ui->lineEdit_port->setText(port);
    // Likewise a stored device number the frame cannot carry is shown as it is, not clamped into another.
    ui->spinBox_of_id->setRange(std::min(0, m_link->deviceNumber), std::max(MaxDeviceNumber, m_link->deviceNumber));
    ui->spinBox_of_id->setValue(m_link->deviceNumber);
    ui->lineEdit_port_2->setText(m_link->serialPortName);
    // The fields show what the link holds: nothing to apply yet.
    ui->but_accept_ip->setEnabled(false);
}

void Page_Setting::changeTransport()
{
    const bool network = ui->radioButton->isChecked();
    if (network == m_link->useNetwork) {
        if (!network) {
            updateCommWidgets();
        }
        return;
    }
    ui->but_accept_ip->setEnabled(true);
    // The link closes the transport its mode names, so close before the mode changes.
    m_link->closeSerial();
    m_link->useNetwork = network;
    updateCommWidgets();
}

void Page_Setting::on_radioButton_clicked()
{
    changeTransport();
}

void Page_Setting::on_radioButton_2_clicked()
{
    changeTransport();
}

void Page_Setting::on_comboBox_port_currentIndexChanged(const QString& text)
{
    ui->lineEdit_port_2->setText(text);
}

void Page_Setting::on_comboBox_port_activated(const QString& text)
{
    ui->lineEdit_port_2->setText(text);
}

void Page_Setting::on_lineEdit_ip_textChanged()
{
    ui->but_accept_ip->setEnabled(true);
}

void Page_Setting::on_lineEdit_port_textChanged()
{
    ui->but_accept_ip->setEnabled(true);
}

void Page_Setting::on_lineEdit_port_2_textChanged()
{
    ui->but_accept_ip->setEnabled(true);
}

void Page_Setting::on_spinBox_of_id_valueChanged(int)
{
    ui->but_accept_ip->setEnabled(true);
}

void Page_Setting::on_charge()
{
    if (ui->lineEdit_ip->address() != m_link->hostAddress) {
        ui->but_accept_ip->setEnabled(true);
    }
}

bool Page_Setting::checkCommSettings(QString& address, int& port)
{
    const int id = ui->spinBox_of_id->value();
    if (id < 0 || id > MaxDeviceNumber) {
        MessageBox::show(m_attentionTitle, m_invalidIdText);
        return false;
    }
    if (!m_link->useNetwork) {
        address = ui->lineEdit_port_2->text().trimmed();
        port = -1;
        if (address.isEmpty()) {
            MessageBox::show(m_attentionTitle, m_noSerialPortText);
            return false;
        }
        return true;
    }
    address = ui->lineEdit_ip->address();
    if (!QIPLineEdit::isValidAddress(address)) {
        MessageBox::show(m_attentionTitle, m_invalidAddressText);
        return false;
    }
    bool isNumber = false;
    port = ui->lineEdit_port->text().toInt(&isNumber);
    if (!isNumber || port < 1 || port > MaxTcpPort) {
        MessageBox::show(m_attentionTitle, m_invalidPortText);
        return false;
    }
    return true;
}

void Page_Setting::on_but_accept_ip_clicked()
{
    QString address;
    int port = -1;
    // A refused entry leaves the link, and so the settings file, as they were.
    if (!checkCommSettings(address, port)) {
        return;
    }
    const int id = ui->spinBox_of_id->value();
    // Nothing changed: the open connection stays (the transport was not switched, or it would be closed).
    const bool unchanged =
        m_link->isConnected() && id == m_link->deviceNumber &&
        (m_link->useNetwork ? address == m_link->hostAddress && port == m_link->tcpPort
                            : address == m_link->serialPortName);
    if (!unchanged)
        m_link->openSerial(address, port, id);
    ui->but_accept_ip->setEnabled(false);
}
