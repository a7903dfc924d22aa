#ifndef RDX480_PAGES_PAGE_CONTROL_H
#define RDX480_PAGES_PAGE_CONTROL_H

#include <QHash>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QPushButton;
class QSpinBox;
class Singleton_SerialPort;

namespace Ui {
class Page_Control;
}

// The Control page: input switching (one key or Pre + TAKE), switch time, display model, the PIP switch,
// the PIP model and the placing of the two PIP windows, plus the Timer page that holds the schedule.
// It keeps no device state of its own: it shows the link's device copy and turns every operator action
// into one set-command; a command that is not confirmed puts the widgets back from the device copy.
class Page_Control : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Control(QWidget* parent = nullptr);
    ~Page_Control() override;

    // Called by the page host when the page is shown: reads status and both PIP windows.
    void refreshFromDevice(int waitMs);
    // A status reply arrived: every widget follows the device copy.
    void applyStatus();
    // A PIP window reply arrived.
    void showSubWindow();
    void showMainWindow();
    void setLanguage(bool isEnglish);

private slots:
    void Rsp_Click();
    void Rsp_auto_click();
    void Rsp_PIP_model();
    void Rsp_Show_model();
    void Rsp_PIP_number_value(const int type);
    void Rsp_PIP_input_value(const int type);
    void on_radio_of_oneKey_clicked();
    void on_radio_of_take_clicked();
    void on_comboBox_for_time_currentIndexChanged(int index);
    void on_check_doublePic_clicked();
    void on_toolBox_currentChanged(int index);
    void on_spinBox_of_x_editingFinished();
    void on_spinBox_of_y_editingFinished();
    void on_spinBox_of_w_editingFinished();
    void on_spinBox_of_h_editingFinished();
    void on_spinBox_of_x_2_editingFinished();
    void on_spinBox_of_y_2_editingFinished();
    void on_spinBox_of_w_2_editingFinished();
    void on_spinBox_of_h_2_editingFinished();

private:
    enum WindowType { SubWindow = 0, MainWindow = 1 };
    // A PIP window in device pixels, in the device's order.
    enum WindowField { X = 0, W = 1, Y = 2, H = 3 };
    using Window = std::array<int, 4>;

    void sendToDevice(int code, const int* params, int count);
    void commandAccepted(int code, const int* params);
    void commandRefused(int code);
    void sendSwitchModel();
    void sendWindow(WindowType type, const Window& window);
    void updateInputButtons();
    void updateOutputArea();
    void showExpansionModule();
    void showWindow(WindowType type);
    void putBackOnCanvas(WindowType type);
    void editWindow(WindowType type, WindowField field, QSpinBox* box);
    void leavePipPage();
    bool copyingDeviceState() const;
    QPushButton* buttonOf(int code) const;
    std::optional<Window>& workingCopy(WindowType type);

    std::unique_ptr<Ui::Page_Control> ui;
    Singleton_SerialPort* m_link;

    QString m_mainStyle;
    QString m_secondStyle;
    QString m_bothStyle;
    QString m_normalStyle;
    QString m_autoStyle;

    QHash<const QPushButton*, int> m_groupOf;
    QHash<const QPushButton*, int> m_codeOf;
    std::array<QPushButton*, 8> m_buttonOf{};

    QPushButton* m_secondButton = nullptr;
    QPushButton* m_mainButton = nullptr;

    // Most output formats are 1920 x 1080; a format without a known size keeps the previous area.
    int m_outputHeight = 1080;
    int m_outputWidth = 1920;

    QString m_messageTitle;
    QString m_pipMessage;
    QString m_noModuleText;

    // The windows as last shown from the device copy, with the operator's pending edit; absent until the
    // device has reported the window.
    std::optional<Window> m_subWindow;
    std::optional<Window> m_mainWindow;
    // Where each window stands on the canvas (sub, main), in canvas pixels, as last shown: a drop is
    // measured against it.
    std::array<QRect, 2> m_shownRect;
};

#endif
