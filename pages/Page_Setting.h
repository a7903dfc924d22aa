#ifndef RDX480_PAGES_PAGE_SETTING_H
#define RDX480_PAGES_PAGE_SETTING_H

#include "link/Frame.h"

#include <QString>
#include <QWidget>

#include <memory>

class QSpinBox;
class Singleton_SerialPort;

namespace Ui {
class Page_Setting;
}

// The Setting page: output resolution, audio sources, device reset, picture values, output brightness and
// DVI hot plug, each one set-command; the communication settings of the link; and the language choice,
// which it only asks the main window for. It keeps no device state of its own: it shows the link's device
// copy, and a command the device did not accept puts the controls back from it.
class Page_Setting : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Setting(QWidget* parent = nullptr);
    ~Page_Setting() override;

    // Called by the page host when the page is shown (checkConnection) or the link has just opened.
    void refreshFromDevice(bool checkConnection, int waitMs);
    // A status reply arrived, or a command was not accepted: the controls follow the device copy.
    void applyStatus();
    // A picture reply arrived, or a picture command was not accepted.
    void showPicture();
    void setLanguage(bool isEnglish);

signals:
    void send_language(bool isEnglish);

private slots:
    void rsp_ad();
    void on_but_accept_ip_clicked();
    void on_lineEdit_ip_textChanged();
    void on_lineEdit_port_textChanged();
    void on_lineEdit_port_2_textChanged();
    void on_spinBox_of_id_valueChanged(int value);
    void on_radio_chinese_clicked();
    void on_radio_english_clicked();
    void on_but_accept_picture_quality_clicked();
    void on_but_reset_luminance_clicked();
    void on_but_reset_contrast_clicked();
    void on_but_reset_color_clicked();
    void on_spinBox_luminance_valueChanged(int value);
    void on_spinBox_contrast_valueChanged(int value);
    void on_spinBox_color_valueChanged(int value);
    void on_but_reset_luminance_2_clicked();
    void on_spinBox_out_luminance_valueChanged(const QString& text);
    void on_but_accept_luminance_clicked();
    void on_comboBox_resolution_ratio_currentIndexChanged(int index);
    void on_but_reset_clicked();
    void on_radio_dvi_open_clicked();
    void on_radio_dvi_close_clicked();
    void on_tabWid_picture_quality_currentChanged(int index);
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_comboBox_port_currentIndexChanged(const QString& text);
    void on_comboBox_port_activated(const QString& text);

private:
    // Tabs of the picture values, in the order of their command codes.
    enum PictureTab { BrightnessTab = 0, ContrastTab = 1, ColorTab = 2 };

    // Sends one set-command; Busy, with nothing sent, while the page copies the device state into its
    // widgets.
    Rdx::Outcome send(int code, const int* params, int count);
    // The IP editor reports any change in its octets.
    void on_charge();
    void sendPicture(int tab);
    void sendOutputBrightness();
    void sendDviHotplug();
    void changeTransport();
    void updateCommWidgets();
    void refreshCommGroup();
    bool checkCommSettings(QString& address, int& port);
    QSpinBox* pictureSpinBox(int tab) const;
    int& pictureValue(int tab) const;

    std::unique_ptr<Ui::Page_Setting> ui;
    Singleton_SerialPort* m_link;

    QString m_attentionTitle;
    QString m_invalidAddressText;
    QString m_invalidPortText;
    QString m_invalidIdText;
    QString m_noSerialPortText;
};

#endif
