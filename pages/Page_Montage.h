#ifndef RDX480_PAGES_PAGE_MONTAGE_H
#define RDX480_PAGES_PAGE_MONTAGE_H

#include <QVector>
#include <QWidget>

#include <array>
#include <initializer_list>
#include <memory>
#include <optional>

class QSpinBox;
class Singleton_SerialPort;
class StandardTableModel;

namespace Ui {
class Page_Montage;
}

// The Mosaic page: display model and output port, and the wall set up three ways (a fast layout with its
// sizes, the LED total with one output's unit window, or manual input and output windows), with previews
// of both windows. Every edit is one set-command; the device's answer decides whether the page re-reads
// the device or puts its controls back from the device copy.
class Page_Montage : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Montage(QWidget* parent = nullptr);
    ~Page_Montage() override;

    // Called by the page host when the page is shown: reads status and every mosaic value.
    void refreshFromDevice(int waitMs);
    void applyStatus();
    void showInputWindow();
    void showOutputWindow();
    void showLedTotal();
    void showUnitWindow();
    void showFastValues();
    void setLanguage(bool isEnglish);

private slots:
    void Rsp_Show_model();
    void Rsp_Showfast_model();
    void Rsp_fast1_charge();
    void Rsp_Out_port();
    void on_but_for_auto_clicked();
    void on_pushButton_for_auto_clicked();
    void on_spinBox_LED_w_editingFinished();
    void on_spinBox_LED_h_editingFinished();
    void on_spinBox_for_w_valueChanged(int value);
    void on_spinBox_for_h_valueChanged(int value);
    void on_spinBox_for_x_valueChanged(int value);
    void on_spinBox_for_y_valueChanged(int value);
    void on_spinBox_for_w_editingFinished();
    void on_spinBox_for_h_editingFinished();
    void on_spinBox_for_x_editingFinished();
    void on_spinBox_for_y_editingFinished();
    void on_spinBox_intput_w_valueChanged(int value);
    void on_spinBox_input_h_valueChanged(int value);
    void on_spinBox_input_x_valueChanged(int value);
    void on_spinBox_input_y_valueChanged(int value);
    void on_spinBox_intput_w_editingFinished();
    void on_spinBox_input_h_editingFinished();
    void on_spinBox_input_x_editingFinished();
    void on_spinBox_input_y_editingFinished();
    void on_spinBox_outPut_w_valueChanged(int value);
    void on_spinBox_outPut_h_valueChanged(int value);
    void on_spinBox_outPut_x_valueChanged(int value);
    void on_spinBox_outPut_y_valueChanged(int value);
    void on_spinBox_outPut_w_editingFinished();
    void on_spinBox_outPut_h_editingFinished();
    void on_spinBox_outPut_x_editingFinished();
    void on_spinBox_outPut_y_editingFinished();

private:
    // A window in the device's order; the manual windows carry the device's offsets (X = x + 32, Y = y + 8).
    enum WindowField { X = 0, W = 1, Y = 2, H = 3 };
    using Window = std::array<int, 4>;
    using LedTotal = std::array<int, 2>;
    enum Manual { InputWindow, OutputWindow };
    // The second "Ok" goes out as command 24 too, but is answered differently.
    static constexpr int FastMosaic2Step = 25;

    struct ManualBoxes
    {
        QSpinBox* x;
        QSpinBox* w;
        QSpinBox* y;
        QSpinBox* h;
    };

    void sendToDevice(int step, const int* params, int count);
    void commandAccepted(int step, const int* params);
    void commandRefused(int step);
    void readBackAfter(int step);
    void readDevice(std::initializer_list<int> kinds);
    void sendUnitWindow();
    void sendManualWindow(Manual which);
    void autoCalculate();

    void fillLedTotal(const LedTotal& led);
    void fillUnitWindow(const Window& unit);
    void fillManualWindow(Manual which, const Window& window);
    void setUnitStartMaxima();

    void editLedTotal(int field);
    void editUnitSize(int field);
    void editUnitStart(int field);
    void editManual(Manual which, WindowField field);
    void clampManual(Manual which, WindowField field, int value);
    void clampToLed(QSpinBox* box, int field, int value);

    ManualBoxes boxesOf(Manual which) const;
    std::optional<Window>& manualCopy(Manual which);
    int ledValue(int field) const;

    std::unique_ptr<Ui::Page_Montage> ui;
    Singleton_SerialPort* m_link;
    StandardTableModel* m_tableModel;

    // Working sizes by output format; a format without a size keeps the last one.
    int m_outW = 1920;
    int m_outH = 1080;
    int m_inW = 1920;
    int m_inH = 1080;

    // The device's values as last shown, with the operator's pending edit; absent until the device reported
    // them, and an edit before that sends nothing.
    std::optional<Window> m_inputWindow;
    std::optional<Window> m_outputWindow;
    std::optional<Window> m_unitWindow;
    std::optional<LedTotal> m_ledTotal;
    // Manual boxes the operator changed since the device's values were shown, by window and field.
    std::array<std::array<bool, 4>, 2> m_edited{};
};

#endif
