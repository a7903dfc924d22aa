#include "pages/Page_Montage.h"

#include "link/CData.h"
#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "pages/ItemDelegate.h"
#include "pages/PageSupport.h"
#include "pages/StandardTableModel.h"
#include "ui_Page_Montage.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QSpinBox>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

// Both previews show their area in 340 x 220 pixels.
constexpr double CanvasWidth = 340.0;
constexpr double CanvasHeight = 220.0;

// The device keeps the manual windows shifted so that x may start 32 and y 8 pixels before the area.
constexpr int OffsetX = 32;
constexpr int OffsetY = 8;
// x + w may pass the width by 48, y + h the height by 24.
constexpr int SlackX = 48;
constexpr int SlackY = 24;
// Room the manual window size has beyond the area.
constexpr int SizeSlack = 16;

constexpr int ShortWaitMs = 5000;
constexpr int LongWaitMs = 10000;
constexpr int TableRowHeight = 40;
constexpr int ToolBoxTitleHeight = 33;

// A maximum below the box's minimum would drag the minimum down with it.
void setMaximum(QSpinBox* box, int maximum)
{
    box->setMaximum(std::max(maximum, box->minimum()));
}

std::array<int, 4> windowOf(const WindowRecord& record)
{
    const QVector<int> values = loadRecord(record);
    return {values.value(0), values.value(1), values.value(2), values.value(3)};
}

std::array<int, 2> ledOf(const WindowRecord& record)
{
    const QVector<int> values = loadRecord(record);
    return {values.value(0), values.value(1)};
}

int sum(const QVector<int>& t, int from, int to) // t[from] + ... + t[to - 1]
{
    return std::accumulate(t.begin() + from, t.begin() + std::max(from, to), 0);
}

} // namespace

Page_Montage::Page_Montage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Page_Montage>()), m_link(Singleton_SerialPort::instance()),
      m_tableModel(new StandardTableModel(this))
{
    ui->setupUi(this);
    ui->label_w_charge->hide();
    ui->label_h_charge->hide();
    ui->toolBox->setCurrentIndex(0);
    // Title bars sized by the font, and the gaps between them, would leave a page less than its 382 pixels.
    ui->toolBox->layout()->setSpacing(0);
    for (QAbstractButton* title : ui->toolBox->findChildren<QAbstractButton*>(
             QStringLiteral("qt_toolbox_toolboxbutton"), Qt::FindDirectChildrenOnly))
        title->setFixedHeight(ToolBoxTitleHeight);

    ui->wid_model->setButtons({QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")},
                              false);
    ui->butBar_for_out_port->setButtons(
        {QStringLiteral("Out1"), QStringLiteral("Out2"), QStringLiteral("Out3"), QStringLiteral("Out4")}, false);
    ui->widget->setButtons({QStringLiteral("1X2"), QStringLiteral("2X1"), QStringLiteral("1X3"), QStringLiteral("3X1"),
                            QStringLiteral("1X4"), QStringLiteral("4X1"), QStringLiteral("2X2")},
                           false);

    ui->tableView->setModel(m_tableModel);
    ui->tableView->horizontalHeader()->hide();
    ui->tableView->verticalHeader()->hide();
    ui->tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->tableView->verticalHeader()->setDefaultSectionSize(TableRowHeight);
    ui->tableView->setItemDelegateForColumn(StandardTableModel::ValueColumn, new ItemDelegate(ui->tableView));

    connect(ui->wid_model, &MyButtonBar::seleteCharge, this, &Page_Montage::Rsp_Show_model);
    connect(ui->widget, &MyButtonBar::seleteCharge, this, &Page_Montage::Rsp_Showfast_model);
    connect(ui->butBar_for_out_port, &MyButtonBar::seleteCharge, this, &Page_Montage::Rsp_Out_port);
    connect(m_link, &Singleton_SerialPort::fast1_charge, this, &Page_Montage::Rsp_fast1_charge);

    setLanguage(true);
}

Page_Montage::~Page_Montage() = default;

void Page_Montage::setLanguage(bool isEnglish)
{
    m_tableModel->setLanguage(isEnglish);

    struct Text
    {
        QObject* widget;
        QString english;
        QString chinese;
    };
    const Text texts[] = {
        {ui->label, QStringLiteral("Display Model"), QStringLiteral("显示模式")},
        {ui->lab_for_model, QStringLiteral("Mosaic Model"), QStringLiteral("拼接模式")},
        {ui->lab_for_auto, QStringLiteral("Auto calculation"), QStringLiteral("自动拼接")},
        {ui->lab_for_auto_2, QStringLiteral("Auto calculation"), QStringLiteral("自动拼接")},
        {ui->but_for_auto, QStringLiteral("Ok"), QStringLiteral("确定")},
        {ui->pushButton_for_auto, QStringLiteral("Ok"), QStringLiteral("确定")},
        {ui->lab_for_LED_w, QStringLiteral("LED Total Width"), QStringLiteral("LED总宽度")},
        {ui->lab_for_LED_h, QStringLiteral("LED Total Height"), QStringLiteral("LED总高度")},
        {ui->lab_for_put_port, QStringLiteral("Out Model"), QStringLiteral("输出端口")},
        {ui->lab_for_w, QStringLiteral("Unit Width"), QStringLiteral("单元屏宽度")},
        {ui->lab_for_h, QStringLiteral("Unit Height"), QStringLiteral("单元屏高度")},
        {ui->lab_for_x, QStringLiteral("Unit H_Star"), QStringLiteral("单元屏水平起始")},
        {ui->lab_for_y, QStringLiteral("Unit V_Star"), QStringLiteral("单元屏垂直起始")},
        {ui->groupBox_of_inpout, QStringLiteral("In"), QStringLiteral("输入")},
        {ui->groupBox_of_outPut, QStringLiteral("Out"), QStringLiteral("输出")},
        {ui->groupBox_of_input, QStringLiteral("Input"), QStringLiteral("输入预览")},
        {ui->groupBox_of_output, QStringLiteral("Output"), QStringLiteral("输出预览")},
        {ui->lab_input_w, QStringLiteral("Width"), QStringLiteral("宽度")},
        {ui->lab_output_w, QStringLiteral("Width"), QStringLiteral("宽度")},
        {ui->lab_input_h, QStringLiteral("Height"), QStringLiteral("高度")},
        {ui->lab_output_h, QStringLiteral("Height"), QStringLiteral("高度")},
        {ui->lab_input_x, QStringLiteral("H_Star"), QStringLiteral("水平起始")},
        {ui->lab_output_x, QStringLiteral("H_Star"), QStringLiteral("水平起始")},
        {ui->lab_input_y, QStringLiteral("V_Star"), QStringLiteral("垂直起始")},
        {ui->lab_output_y, QStringLiteral("V_Star"), QStringLiteral("垂直起始")},
    };
    for (const Text& text : texts)
        setWidgetText(text.widget, isEnglish ? text.english : text.chinese);

    const QString pages[][2] = {
        {QStringLiteral("Fast Mosaic 1"), QStringLiteral("快速拼接1")},
        {QStringLiteral("Fast Mosaic 2"), QStringLiteral("快速拼接2")},
        {QStringLiteral("Manual Mosaic"), QStringLiteral("手动拼接")},
    };
    for (int page = 0; page < ui->toolBox->count(); ++page)
        ui->toolBox->setItemText(page, pages[page][isEnglish ? 0 : 1]);
}

void Page_Montage::refreshFromDevice(int waitMs)
{
    if (!m_link->isConnected())
        return;
    emit m_link->sendStarTime(waitMs);
    m_link->resetReads(-2);
    readDevice({Rdx::StatusRead, Rdx::FastValuesRead, Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::InputWindowRead,
                Rdx::OutputWindowRead});
}

void Page_Montage::readDevice(std::initializer_list<int> kinds)
{
    for (int kind : kinds) {
        // The port field has three bits on the wire but means Out1..Out4: a stray value must not index
        // another display model's windows.
        m_link->deviceState.outputPort &= 3;
        m_link->requestRead(kind);
    }
}

// ---- Sending

void Page_Montage::sendToDevice(int step, const int* params, int count)
{
    // Starting an exchange while the page copies the device state would drop the reads still on their way.
    if (m_link->busy) {
        commandRefused(step);
        return;
    }
    const int code = step == FastMosaic2Step ? int(Rdx::AutoMosaicCommand) : step;
    m_link->resetReads(-2);
    const Rdx::Outcome outcome = m_link->runCommand(code, params, count);
    if (outcome == Rdx::Outcome::Accepted) {
        commandAccepted(step, params);
        return;
    }
    commandRefused(step);
    if (outcome == Rdx::Outcome::Unanswered)
        readBackAfter(step);
}

void Page_Montage::readBackAfter(int step)
{
    m_link->deviceState.outputPort &= 3;
    switch (step) {
    case Rdx::InputWindowCommand:
        readBack(m_link, {Rdx::InputWindowRead});
        break;
    case Rdx::OutputWindowCommand:
        readBack(m_link, {Rdx::OutputWindowRead});
        break;
    case Rdx::FastLayoutCommand:
        readBack(m_link, {Rdx::StatusRead, Rdx::FastValuesRead});
        break;
    case Rdx::FastValuesCommand:
        readBack(m_link, {Rdx::FastValuesRead});
        break;
    case Rdx::LedTotalCommand:
        readBack(m_link, {Rdx::LedTotalRead, Rdx::UnitWindowRead});
        break;
    case Rdx::UnitWindowCommand:
        readBack(m_link, {Rdx::UnitWindowRead});
        break;
    case Rdx::AutoMosaicCommand:
    case FastMosaic2Step:
        readBack(m_link, {Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::InputWindowRead, Rdx::OutputWindowRead});
        break;
    default:
        // Display model and output port: the status says which the device now uses.
        readBack(m_link, {Rdx::StatusRead});
        break;
    }
}

void Page_Montage::commandAccepted(int step, const int* params)
{
    CData& device = m_link->deviceState;
    switch (step) {
    case Rdx::ShowModelCommand:
        // The reads are addressed by the device copy's model: it must be the new one.
        device.showModel = params[0];
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::StatusRead, Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::FastValuesRead, Rdx::InputWindowRead,
                    Rdx::OutputWindowRead});
        break;
    case Rdx::OutputPortCommand:
        device.outputPort = params[0];
        emit m_link->sendStarTime(LongWaitMs);
        readDevice({Rdx::UnitWindowRead, Rdx::InputWindowRead, Rdx::OutputWindowRead});
        break;
    case Rdx::InputWindowCommand:
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::InputWindowRead});
        break;
    case Rdx::OutputWindowCommand:
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::OutputWindowRead});
        break;
    case Rdx::FastLayoutCommand:
        m_tableModel->setLayout(params[0]);
        device.fastLayout = params[0];
        m_tableModel->setLimitLayout(params[0]);
        emit m_link->sendStarTime(LongWaitMs);
        readDevice({Rdx::FastValuesRead, Rdx::InputWindowRead, Rdx::OutputWindowRead});
        break;
    case Rdx::FastValuesCommand: {
        // Keep the device copy what the device now holds, so a later refusal puts these values back.
        const QVector<int> values = m_tableModel->values();
        std::copy_n(values.begin(), std::min<int>(values.size(), int(m_link->fastValues.size())),
                    m_link->fastValues.begin());
        break;
    }
    case Rdx::LedTotalCommand:
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::LedTotalRead});
        break;
    case Rdx::UnitWindowCommand:
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::UnitWindowRead});
        break;
    case Rdx::AutoMosaicCommand:
        autoCalculate();
        break;
    case FastMosaic2Step:
        emit m_link->sendStarTime(ShortWaitMs);
        readDevice({Rdx::InputWindowRead, Rdx::OutputWindowRead});
        break;
    default:
        break;
    }
}

void Page_Montage::commandRefused(int step)
{
    const CData& device = m_link->deviceState;
    switch (step) {
    case Rdx::ShowModelCommand:
        ui->wid_model->setCurrentIndex(device.showModel);
        break;
    case Rdx::OutputPortCommand:
        ui->butBar_for_out_port->setCurrentIndex(device.outputPort);
        break;
    case Rdx::InputWindowCommand:
        showInputWindow();
        break;
    case Rdx::OutputWindowCommand:
        showOutputWindow();
        break;
    case Rdx::FastLayoutCommand:
        if (StandardTableModel::isLayout(device.fastLayout)) {
            ui->widget->setCurrentIndex(device.fastLayout);
            m_tableModel->setLimitLayout(device.fastLayout);
        }
        break;
    case Rdx::FastValuesCommand:
        showFastValues();
        break;
    case Rdx::LedTotalCommand:
        // The edit had cut the unit size and its limit to the new total: both go back with the total.
        showLedTotal();
        setMaximum(ui->spinBox_for_w, ledValue(0));
        setMaximum(ui->spinBox_for_h, ledValue(1));
        showUnitWindow();
        ui->label_w_charge->hide();
        ui->label_h_charge->hide();
        break;
    case Rdx::UnitWindowCommand:
        showUnitWindow();
        break;
    default:
        break;
    }
}

void Page_Montage::Rsp_Show_model()
{
    const int model = ui->wid_model->currentIndex();
    if (model >= 0)
        sendToDevice(Rdx::ShowModelCommand, &model, 1);
}

void Page_Montage::Rsp_Out_port()
{
    const int port = ui->butBar_for_out_port->currentIndex();
    if (port >= 0)
        sendToDevice(Rdx::OutputPortCommand, &port, 1);
}

void Page_Montage::Rsp_Showfast_model()
{
    const int layout = ui->widget->currentIndex();
    if (layout >= 0)
        sendToDevice(Rdx::FastLayoutCommand, &layout, 1);
}

void Page_Montage::Rsp_fast1_charge()
{
    const QVector<int> t = m_tableModel->values();
    std::array<int, Rdx::ParameterCount> params{};
    int count = 0;
    if (t.size() == 5) {
        // 1X4 and 4X1: the last two values are 12 bits, their high nibbles share one byte.
        splitWords(t.data(), params.data(), 0, 3);
        params[6] = (t[3] / 256) * 16 + t[4] / 256;
        params[7] = t[3] % 256;
        params[8] = t[4] % 256;
        count = 9;
    } else if (t.size() >= 3) {
        splitWords(t.data(), params.data(), 0, t.size());
        count = 2 * t.size();
    } else {
        return;
    }
    sendToDevice(Rdx::FastValuesCommand, params.data(), count);
}

void Page_Montage::on_but_for_auto_clicked()
{
    const int fastMosaic1 = 0;
    sendToDevice(Rdx::AutoMosaicCommand, &fastMosaic1, 1);
}

void Page_Montage::on_pushButton_for_auto_clicked()
{
    const int fastMosaic2 = 1;
    sendToDevice(FastMosaic2Step, &fastMosaic2, 1);
}

void Page_Montage::sendUnitWindow()
{
    ui->label_w_charge->hide();
    ui->label_h_charge->hide();
    std::array<int, Rdx::ParameterCount> params{};
    splitWords(m_unitWindow->data(), params.data(), 1, 4);
    sendToDevice(Rdx::UnitWindowCommand, params.data(), Rdx::ParameterCount);
}

void Page_Montage::sendManualWindow(Manual which)
{
    std::array<int, Rdx::ParameterCount> params{};
    splitWords(manualCopy(which)->data(), params.data(), 1, 4);
    sendToDevice(which == InputWindow ? Rdx::InputWindowCommand : Rdx::OutputWindowCommand, params.data(),
                 Rdx::ParameterCount);
}

// Fast Mosaic 1 was applied: the LED wall and the selected output's unit window follow from the layout
// and its sizes, without asking the device.
void Page_Montage::autoCalculate()
{
    CData& device = m_link->deviceState;
    const int layout = device.fastLayout;
    const QVector<int> t = m_tableModel->values();
    const int n = t.size();
    if (StandardTableModel::isLayout(layout) && n == StandardTableModel::rowsOf(layout)) {
        const int port = device.outputPort & 3;
        LedTotal led{};
        Window unit{};
        if (layout == 6) {
            // Out1 Out2 on top, Out3 Out4 below; t0, t1 the column widths, t2, t3 the row heights.
            led = {t[0] + t[1], t[2] + t[3]};
            const bool right = port % 2 == 1;
            const bool bottom = port >= 2;
            unit = {right ? t[0] : 0, right ? t[1] : t[0], bottom ? t[2] : 0, bottom ? t[3] : t[2]};
        } else {
            // Out3 and Out4 of a two-output layout fall on Out1 and Out2.
            const int r = port % (n - 1);
            if (layout % 2 == 1) {
                led = {sum(t, 0, n - 1), t[n - 1]};
                unit = {sum(t, 0, r), t[r], 0, t[n - 1]};
            } else {
                led = {t[0], sum(t, 1, n)};
                unit = {0, t[0], sum(t, 1, r + 1), t[r + 1]};
            }
        }
        storeRecord(device.ledTotal, led.data());
        storeRecord(device.unitWindow, unit.data());
        showLedTotal();
        showUnitWindow();
        showOutputWindow();
    }
    readDevice({Rdx::InputWindowRead});
}

// ---- Showing the device copy

void Page_Montage::applyStatus()
{
    CData& device = m_link->deviceState;
    const FillGuard filling(m_link);
    device.outputPort &= 3;
    ui->wid_model->setCurrentIndex(device.showModel);
    // The status field has four bits; a layout this page does not know leaves the bar and table as they are.
    const bool knownLayout = StandardTableModel::isLayout(device.fastLayout);
    if (knownLayout) {
        ui->widget->setCurrentIndex(device.fastLayout);
        m_tableModel->setLayout(device.fastLayout);
    }
    ui->butBar_for_out_port->setCurrentIndex(device.outputPort);

    m_link->mosaicOutputSize(m_outH, m_outW);
    MyCanvasMes* output = ui->widget_3;
    output->scaleX = m_outW / CanvasWidth;
    output->scaleY = m_outH / CanvasHeight;
    output->widthCaption = QString::number(m_outW);
    output->heightCaption = QString::number(m_outH);
    setMaximum(ui->spinBox_for_w, m_outW);
    setMaximum(ui->spinBox_for_h, m_outH);
    setMaximum(ui->spinBox_outPut_w, m_outW + SizeSlack);
    setMaximum(ui->spinBox_outPut_x, m_outW);
    setMaximum(ui->spinBox_outPut_h, m_outH + SizeSlack);
    setMaximum(ui->spinBox_outPut_y, m_outH);

    m_link->mosaicInputSize(m_inH, m_inW);
    MyCanvasMes* input = ui->wid_for_input;
    input->scaleX = m_inW / CanvasWidth;
    input->scaleY = m_inH / CanvasHeight;
    input->widthCaption = QString::number(m_inW);
    input->heightCaption = QString::number(m_inH);
    setMaximum(ui->spinBox_intput_w, m_inW + SizeSlack);
    setMaximum(ui->spinBox_input_x, m_inW);
    setMaximum(ui->spinBox_input_h, m_inH + SizeSlack);
    setMaximum(ui->spinBox_input_y, m_inH);

    // Set-commands are answered with a status: windows already shown stay shown, at the new scale.
    if (m_inputWindow) {
        fillManualWindow(InputWindow, *m_inputWindow);
    } else {
        ui->label_input_w->setText(QString::number(m_inW));
        ui->label_input_h->setText(QString::number(m_inH));
        ui->label_input_x->setText(QStringLiteral("0"));
        ui->label_input_y->setText(QStringLiteral("0"));
    }
    if (m_outputWindow) {
        fillManualWindow(OutputWindow, *m_outputWindow);
    } else {
        ui->label_output_w->setText(QString::number(m_outW));
        ui->label_output_h->setText(QString::number(m_outH));
        ui->label_output_x->setText(QStringLiteral("0"));
        ui->label_output_y->setText(QStringLiteral("0"));
    }

    m_tableModel->setLimits(m_outW, m_outH);
    if (knownLayout)
        m_tableModel->setLimitLayout(device.fastLayout);
}

void Page_Montage::showInputWindow()
{
    m_inputWindow = windowOf(m_link->deviceState.inputWindow);
    fillManualWindow(InputWindow, *m_inputWindow);
}

void Page_Montage::showOutputWindow()
{
    m_outputWindow = windowOf(m_link->deviceState.outputWindow);
    fillManualWindow(OutputWindow, *m_outputWindow);
}

void Page_Montage::fillManualWindow(Manual which, const Window& window)
{
    const FillGuard filling(m_link);
    m_edited[which] = {};
    const int x = window[X] - OffsetX;
    const int y = window[Y] - OffsetY;
    MyCanvasMes* canvas = which == InputWindow ? ui->wid_for_input : ui->widget_3;
    if (which == OutputWindow) {
        // The output preview stands for the LED wall.
        canvas->scaleX = ledValue(0) / CanvasWidth;
        canvas->scaleY = ledValue(1) / CanvasHeight;
        canvas->widthCaption = QString::number(ledValue(0));
        canvas->heightCaption = QString::number(ledValue(1));
    }
    canvas->setWindow(x, y, window[W], window[H]);

    const ManualBoxes boxes = boxesOf(which);
    boxes.x->setValue(x);
    boxes.w->setValue(window[W]);
    boxes.y->setValue(y);
    boxes.h->setValue(window[H]);
    QLabel* const labels[2][4] = {
        {ui->label_input_x, ui->label_input_w, ui->label_input_y, ui->label_input_h},
        {ui->label_output_x, ui->label_output_w, ui->label_output_y, ui->label_output_h},
    };
    const int shown[4] = {x, window[W], y, window[H]};
    for (int field = 0; field < 4; ++field)
        labels[which][field]->setText(QString::number(shown[field]));
}

void Page_Montage::showLedTotal()
{
    m_ledTotal = ledOf(m_link->deviceState.ledTotal);
    fillLedTotal(*m_ledTotal);
}

void Page_Montage::fillLedTotal(const LedTotal& led)
{
    const FillGuard filling(m_link);
    ui->spinBox_LED_w->setValue(led[0]);
    ui->spinBox_LED_h->setValue(led[1]);
    setUnitStartMaxima();
}

void Page_Montage::setUnitStartMaxima()
{
    // Unit starts are positions on the whole wall, not inside one output.
    setMaximum(ui->spinBox_for_x, ledValue(0));
    setMaximum(ui->spinBox_for_y, ledValue(1));
}

void Page_Montage::showUnitWindow()
{
    m_unitWindow = windowOf(m_link->deviceState.unitWindow);
    fillUnitWindow(*m_unitWindow);
}

void Page_Montage::fillUnitWindow(const Window& unit)
{
    const FillGuard filling(m_link);
    ui->spinBox_for_x->setValue(unit[X]);
    ui->spinBox_for_w->setValue(unit[W]);
    ui->spinBox_for_y->setValue(unit[Y]);
    ui->spinBox_for_h->setValue(unit[H]);
}

void Page_Montage::showFastValues()
{
    const FillGuard filling(m_link);
    const int rows = std::min(m_tableModel->rowCount(), int(m_link->fastValues.size()));
    for (int row = 0; row < rows; ++row)
        m_tableModel->setData(m_tableModel->index(row, StandardTableModel::ValueColumn),
                              QString::number(m_link->fastValues[static_cast<size_t>(row)]));
}

// ---- Fast Mosaic 2

int Page_Montage::ledValue(int field) const
{
    return field == 0 ? ui->spinBox_LED_w->value() : ui->spinBox_LED_h->value();
}

void Page_Montage::editLedTotal(int field)
{
    if (!m_ledTotal) {
        fillLedTotal(ledOf(m_link->deviceState.ledTotal));
        return;
    }
    const int value = ledValue(field);
    const int unitField = field == 0 ? W : H;
    setMaximum(field == 0 ? ui->spinBox_for_w : ui->spinBox_for_h, value);
    setUnitStartMaxima();
    if (m_unitWindow && (*m_unitWindow)[unitField] > value) {
        (*m_unitWindow)[unitField] = value;
        (field == 0 ? ui->label_w_charge : ui->label_h_charge)->show();
    }
    if (value != (*m_ledTotal)[field]) {
        (*m_ledTotal)[field] = value;
        std::array<int, Rdx::ParameterCount> params{}; // the last four bytes carry nothing
        splitWords(m_ledTotal->data(), params.data(), 1, 2);
        sendToDevice(Rdx::LedTotalCommand, params.data(), Rdx::ParameterCount);
    }
}

void Page_Montage::clampToLed(QSpinBox* box, int field, int value)
{
    if (!m_link->busy && value > ledValue(field))
        box->setValue(ledValue(field));
}

void Page_Montage::editUnitSize(int field)
{
    if (!m_unitWindow) {
        fillUnitWindow(windowOf(m_link->deviceState.unitWindow));
        return;
    }
    QSpinBox* box = field == W ? ui->spinBox_for_w : ui->spinBox_for_h;
    clampToLed(box, field == W ? 0 : 1, box->value());
    (*m_unitWindow)[field] = box->value();
    sendUnitWindow();
}

void Page_Montage::editUnitStart(int field)
{
    if (!m_unitWindow) {
        fillUnitWindow(windowOf(m_link->deviceState.unitWindow));
        return;
    }
    QSpinBox* box = field == X ? ui->spinBox_for_x : ui->spinBox_for_y;
    clampToLed(box, field == X ? 0 : 1, box->value());
    if (box->value() == (*m_unitWindow)[field])
        return;
    (*m_unitWindow)[field] = box->value();
    sendUnitWindow();
}

void Page_Montage::on_spinBox_LED_w_editingFinished()
{
    editLedTotal(0);
}

void Page_Montage::on_spinBox_LED_h_editingFinished()
{
    editLedTotal(1);
}

void Page_Montage::on_spinBox_for_w_valueChanged(int value)
{
    clampToLed(ui->spinBox_for_w, 0, value);
}

void Page_Montage::on_spinBox_for_h_valueChanged(int value)
{
    clampToLed(ui->spinBox_for_h, 1, value);
}

void Page_Montage::on_spinBox_for_x_valueChanged(int value)
{
    clampToLed(ui->spinBox_for_x, 0, value);
}

void Page_Montage::on_spinBox_for_y_valueChanged(int value)
{
    clampToLed(ui->spinBox_for_y, 1, value);
}

void Page_Montage::on_spinBox_for_w_editingFinished()
{
    editUnitSize(W);
}

void Page_Montage::on_spinBox_for_h_editingFinished()
{
    editUnitSize(H);
}

void Page_Montage::on_spinBox_for_x_editingFinished()
{
    editUnitStart(X);
}

void Page_Montage::on_spinBox_for_y_editingFinished()
{
    editUnitStart(Y);
}

// ---- Manual Mosaic

Page_Montage::ManualBoxes Page_Montage::boxesOf(Manual which) const
{
    if (which == InputWindow)
        return {ui->spinBox_input_x, ui->spinBox_intput_w, ui->spinBox_input_y, ui->spinBox_input_h};
    return {ui->spinBox_outPut_x, ui->spinBox_outPut_w, ui->spinBox_outPut_y, ui->spinBox_outPut_h};
}

std::optional<Page_Montage::Window>& Page_Montage::manualCopy(Manual which)
{
    return which == InputWindow ? m_inputWindow : m_outputWindow;
}

void Page_Montage::clampManual(Manual which, WindowField field, int value)
{
    // Filling from the device copy sets the boxes one after the other: a check against a box not yet
    // filled would clamp against a stale value. A new maximum that cuts a shown value is no edit either.
    if (m_link->busy)
        return;
    m_edited[which][field] = true;
    const ManualBoxes boxes = boxesOf(which);
    const bool horizontal = field == X || field == W;
    const int area = which == InputWindow ? (horizontal ? m_inW : m_inH) : (horizontal ? m_outW : m_outH);
    const int slack = horizontal ? SlackX : SlackY;
    QSpinBox* box = field == X ? boxes.x : field == W ? boxes.w : field == Y ? boxes.y : boxes.h;
    QSpinBox* other = field == X ? boxes.w : field == W ? boxes.x : field == Y ? boxes.h : boxes.y;
    const int limit = area - other->value() + slack;
    if (value > limit)
        box->setValue(limit);
}

void Page_Montage::editManual(Manual which, WindowField field)
{
    std::optional<Window>& copy = manualCopy(which);
    const ManualBoxes boxes = boxesOf(which);
    if (!copy) {
        fillManualWindow(
            which, windowOf(which == InputWindow ? m_link->deviceState.inputWindow : m_link->deviceState.outputWindow));
        return;
    }
    // Only what the operator changed goes out, not a value a new limit cut down.
    if (!std::exchange(m_edited[which][field], false))
        return;
    const int value = field == X   ? boxes.x->value() + OffsetX
                      : field == W ? boxes.w->value()
                      : field == Y ? boxes.y->value() + OffsetY
                                   : boxes.h->value();
    if ((*copy)[field] == value)
        return;
    (*copy)[field] = value;
    sendManualWindow(which);
}

void Page_Montage::on_spinBox_intput_w_valueChanged(int value)
{
    clampManual(InputWindow, W, value);
}

void Page_Montage::on_spinBox_input_h_valueChanged(int value)
{
    clampManual(InputWindow, H, value);
}

void Page_Montage::on_spinBox_input_x_valueChanged(int value)
{
    clampManual(InputWindow, X, value);
}

void Page_Montage::on_spinBox_input_y_valueChanged(int value)
{
    clampManual(InputWindow, Y, value);
}

void Page_Montage::on_spinBox_intput_w_editingFinished()
{
    editManual(InputWindow, W);
}

void Page_Montage::on_spinBox_input_h_editingFinished()
{
    editManual(InputWindow, H);
}

void Page_Montage::on_spinBox_input_x_editingFinished()
{
    editManual(InputWindow, X);
}

void Page_Montage::on_spinBox_input_y_editingFinished()
{
    editManual(InputWindow, Y);
}

void Page_Montage::on_spinBox_outPut_w_valueChanged(int value)
{
    clampManual(OutputWindow, W, value);
}

void Page_Montage::on_spinBox_outPut_h_valueChanged(int value)
{
    clampManual(OutputWindow, H, value);
}

void Page_Montage::on_spinBox_outPut_x_valueChanged(int value)
{
    clampManual(OutputWindow, X, value);
}

void Page_Montage::on_spinBox_outPut_y_valueChanged(int value)
{
    clampManual(OutputWindow, Y, value);
}

void Page_Montage::on_spinBox_outPut_w_editingFinished()
{
    editManual(OutputWindow, W);
}

void Page_Montage::on_spinBox_outPut_h_editingFinished()
{
    editManual(OutputWindow, H);
}

void Page_Montage::on_spinBox_outPut_x_editingFinished()
{
    editManual(OutputWindow, X);
}

void Page_Montage::on_spinBox_outPut_y_editingFinished()
{
    editManual(OutputWindow, Y);
}
