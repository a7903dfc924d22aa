#include "pages/Page_Control.h"

#include "link/CData.h"
#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "pages/InputSources.h"
#include "pages/PageSupport.h"
#include "ui_Page_Control.h"
#include "widgets/MessageBox.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

const QString autoText = QStringLiteral("AUTO");
const QString takeText = QStringLiteral("TAKE");

// The canvas shows the whole output area in 640 x 360 pixels.
constexpr double CanvasWidth = 640.0;
constexpr double CanvasHeight = 360.0;
constexpr int ToolBoxTitleHeight = 26;

// Time-outs handed to the main window while the device works on a command.
constexpr int SwitchWaitMs = 15000;
constexpr int PipModelWaitMs = 10000;
constexpr int PipPageWaitMs = 10000;

// Steps after a window command tell the two windows apart.
constexpr int SubWindowStep = Rdx::PipWindowCommand;
constexpr int MainWindowStep = Rdx::PipWindowCommand + 1;

const QString buttonFrame = QStringLiteral("border: 2px groove gray; border-radius: 10px; padding: 2px 4px;");

QString filledStyle(const QString& background)
{
    return QStringLiteral("QPushButton { ") + buttonFrame + QStringLiteral(" background-color: ") + background +
           QStringLiteral("; color: black; }");
}

QString normalStyle(const QString& textColour)
{
    return QStringLiteral("QPushButton { ") + buttonFrame + QStringLiteral(" background-color: rgb(210, 232, 215);") +
           textColour +
           QStringLiteral(" } QPushButton:hover, QPushButton:pressed { background-color: rgb(85, 170, 180); }"
                          " QPushButton:disabled { color: rgb(150, 150, 150); }");
}

} // namespace

Page_Control::Page_Control(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Page_Control>()), m_link(Singleton_SerialPort::instance())
{
    ui->setupUi(this);

    const QStringList models = {QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")};
    ui->butBar_for_model->setButtons(models, false);
    ui->butBar_for_doubleModel->setButtons(models, true);
    ui->toolBox->setCurrentIndex(0);
    // Title bars sized by the Chinese font, and the gaps between them, would leave the pages less height
    // than the 640 x 360 preview needs.
    ui->toolBox->layout()->setSpacing(0);
    const QList<QAbstractButton*> titleBars = ui->toolBox->findChildren<QAbstractButton*>(
        QStringLiteral("qt_toolbox_toolboxbutton"), Qt::FindDirectChildrenOnly);
    for (QAbstractButton* titleBar : titleBars) {
        titleBar->setFixedHeight(ToolBoxTitleHeight);
    }

    m_mainStyle = filledStyle(QStringLiteral("rgb(85, 170, 255)"));
    m_secondStyle = filledStyle(QStringLiteral("rgb(80, 163, 63)"));
    m_bothStyle = filledStyle(QStringLiteral("rgb(255, 255, 127)"));
    m_normalStyle = normalStyle(QString());
    m_autoStyle = normalStyle(QStringLiteral(" color: green;"));
    ui->but_of_auto->setStyleSheet(m_autoStyle);

    for (int code = 0; code < InputSources::Count; ++code) {
        auto* button = findChild<QPushButton*>(InputSources::buttonName(code));
        Q_ASSERT(button);
        m_buttonOf[code] = button;
        m_codeOf.insert(button, code);
        m_groupOf.insert(button, InputSources::group(code));
        button->setText(InputSources::text(code));
        button->setStyleSheet(m_normalStyle);
        connect(button, &QPushButton::clicked, this, &Page_Control::Rsp_Click);
    }
    connect(ui->but_of_auto, &QPushButton::clicked, this, &Page_Control::Rsp_auto_click);
    connect(ui->butBar_for_doubleModel, &MyButtonBar::seleteCharge, this, &Page_Control::Rsp_PIP_model);
    connect(ui->butBar_for_model, &MyButtonBar::seleteCharge, this, &Page_Control::Rsp_Show_model);
    connect(ui->wid_for_show, &MyCanvas::move_rect, this, &Page_Control::Rsp_PIP_number_value);
    m_shownRect = {ui->wid_for_show->subRect(), ui->wid_for_show->mainRect()};

    setLanguage(true);
}

Page_Control::~Page_Control() = default;

void Page_Control::setLanguage(bool isEnglish)
{
    struct Text
    {
        QObject* widget;
        QString english;
        QString chinese;
    };
    const Text texts[] = {
        {ui->label_5, QStringLiteral("Curr./main"), QStringLiteral("当前/主画面")},
        {ui->label_6, QStringLiteral("Pre./PIP"), QStringLiteral("预选/子画面")},
        {ui->label_7, QStringLiteral("Both"), QStringLiteral("信号相同")},
        {ui->lab_for_expand, QStringLiteral("EXT.Input Mode"), QStringLiteral("扩展输入模块")},
        {ui->lab_for_switchModel, QStringLiteral("Swith Model"), QStringLiteral("切换模式")},
        {ui->radio_of_oneKey, QStringLiteral("One Key Switch"), QStringLiteral("一键直接切换")},
        {ui->radio_of_take, QStringLiteral("Pre + TAKE Switch"), QStringLiteral("预选+TAKE切换")},
        {ui->lab_for_time, QStringLiteral("Switch Time"), QStringLiteral("切换时间")},
        {ui->lab_for_montage, QStringLiteral("Show Model"), QStringLiteral("显示模式")},
        {ui->lab_for_doublePic, QStringLiteral("PIP switch"), QStringLiteral("双画面开关")},
        {ui->check_doublePic, QStringLiteral("Open"), QStringLiteral("开")},
        {ui->groupBox_of_mainPage, QStringLiteral("Key-Picture(Blue)"), QStringLiteral("主画面(蓝)")},
        {ui->lab_for_x, QStringLiteral("H_Star"), QStringLiteral("水平起始")},
        {ui->lab_for_y, QStringLiteral("V_Star"), QStringLiteral("垂直起始")},
        {ui->lab_for_w, QStringLiteral("Width"), QStringLiteral("宽度")},
        {ui->lab_for_h, QStringLiteral("Height"), QStringLiteral("高度")},
        {ui->groupBox_of_childPage, QStringLiteral("Sub-Picture(Green)"), QStringLiteral("子画面(绿)")},
        {ui->lab_for_x_2, QStringLiteral("H_Star"), QStringLiteral("水平起始")},
        {ui->lab_for_y_2, QStringLiteral("V_Star"), QStringLiteral("垂直起始")},
        {ui->lab_for_w_2, QStringLiteral("Width"), QStringLiteral("宽度")},
        {ui->lab_for_h_2, QStringLiteral("Height"), QStringLiteral("高度")},
        {ui->groupBox_for_show, QStringLiteral("Preview"), QStringLiteral("预览")},
        {ui->label_8, QStringLiteral("Model:"), QStringLiteral("模式：")},
    };
    for (const Text& text : texts) {
        setWidgetText(text.widget, isEnglish ? text.english : text.chinese);
    }

    const QString pages[][2] = {
        {QStringLiteral("Signal Switch"), QStringLiteral("信号选择 & 切换")},
        {QStringLiteral("PIP"), QStringLiteral("双画面（PIP）")},
        {QStringLiteral("Timer"), QStringLiteral("定时器")},
    };
    for (int page = 0; page < ui->toolBox->count(); ++page) {
        // A title bar is a button: a single '&' would mark a shortcut instead of showing.
        QString title = pages[page][isEnglish ? 0 : 1];
        ui->toolBox->setItemText(page, title.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }

    m_messageTitle = isEnglish ? QStringLiteral("Error") : QStringLiteral("错误");
    m_pipMessage = isEnglish ? QStringLiteral("Please open the PIP switch first") : QStringLiteral("请先打开PIP开关");
    m_noModuleText = isEnglish ? QStringLiteral("Empty") : QStringLiteral("无");
    if (m_link->deviceState.extInputMode == 0) {
        ui->lab_of_expandMes->setText(m_noModuleText);
    }
    ui->widget->setLanguage(isEnglish);
}

void Page_Control::refreshFromDevice(int waitMs)
{
    if (!m_link->isConnected()) {
        return;
    }
    emit m_link->sendStarTime(waitMs);
    m_link->resetReads(-2);
    m_link->requestRead(Rdx::StatusRead);
    m_link->requestRead(Rdx::PipSubWindowRead);
    m_link->requestRead(Rdx::PipMainWindowRead);
}

bool Page_Control::copyingDeviceState() const
{
    return m_link->busy;
}

QPushButton* Page_Control::buttonOf(int code) const
{
    return InputSources::isValid(code) ? m_buttonOf[code] : nullptr;
}

std::optional<Page_Control::Window>& Page_Control::workingCopy(WindowType type)
{
    return type == MainWindow ? m_mainWindow : m_subWindow;
}

void Page_Control::sendToDevice(int code, const int* params, int count)
{
    // A widget that changes while the page copies the device state must not start an exchange: that would
    // drop the reads still on their way.
    if (copyingDeviceState()) {
        return;
    }
    const bool window = code == Rdx::PipWindowCommand;
    const int step = window ? Rdx::PipWindowCommand + params[0] : code;
    const int* stepParams = window ? params + 1 : params;

    m_link->resetReads(-2);
    const Rdx::Outcome outcome = m_link->runCommand(code, params, count);
    if (outcome == Rdx::Outcome::Accepted) {
        commandAccepted(step, stepParams);
        return;
    }
    commandRefused(step);
    if (outcome != Rdx::Outcome::Unanswered)
        return;
    if (step == SubWindowStep)
        readBack(m_link, {Rdx::PipSubWindowRead});
    else if (step == MainWindowStep)
        readBack(m_link, {Rdx::PipMainWindowRead});
    else if (step == Rdx::PipModelCommand)
        readBack(m_link, {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead});
    else
        readBack(m_link, {Rdx::StatusRead});
}

void Page_Control::commandAccepted(int code, const int* params)
{
    CData& device = m_link->deviceState;
    switch (code) {
    case Rdx::SwitchModeCommand:
        device.takeMode = params[0];
        updateInputButtons();
        break;
    case Rdx::SwitchInputCommand:
    case Rdx::TakeCommand:
    case Rdx::PipInputCommand:
    case Rdx::AutoCommand:
        // The buttons change colour only when the device reports the new input.
        emit m_link->sendStarTime(SwitchWaitMs);
        m_link->requestRead(Rdx::StatusRead);
        break;
    case Rdx::SwitchTimeCommand:
        device.switchTime = params[0];
        break;
    case Rdx::PipSwitchCommand:
        device.pipOn = params[0];
        emit m_link->sendStarTime(SwitchWaitMs);
        m_link->requestRead(Rdx::StatusRead);
        break;
    case Rdx::PipModelCommand:
        device.pipModel = params[0];
        emit m_link->sendStarTime(PipModelWaitMs);
        m_link->requestRead(Rdx::PipSubWindowRead);
        m_link->requestRead(Rdx::PipMainWindowRead);
        break;
    case SubWindowStep:
        copyBytes(device.subWindow, params);
        showSubWindow();
        break;
    case MainWindowStep:
        copyBytes(device.mainWindow, params);
        showMainWindow();
        break;
    case Rdx::ShowModelCommand:
        device.showModel = params[0];
        break;
    default:
        break;
    }
}

void Page_Control::commandRefused(int code)
{
    const CData& device = m_link->deviceState;
    switch (code) {
    case Rdx::PipModelCommand:
        ui->butBar_for_doubleModel->setCurrentIndex(device.pipModel);
        break;
    case SubWindowStep:
        showSubWindow();
        break;
    case MainWindowStep:
        showMainWindow();
        break;
    case Rdx::ShowModelCommand:
        ui->butBar_for_model->setCurrentIndex(device.showModel);
        break;
    default:
        applyStatus();
        break;
    }
}

void Page_Control::applyStatus()
{
    const CData& device = m_link->deviceState;
    {
        const FillGuard filling(m_link);
        showExpansionModule();
        ui->comboBox_for_time->setCurrentIndex(device.switchTime);
        ui->butBar_for_model->setCurrentIndex(device.showModel);
        ui->butBar_for_doubleModel->setCurrentIndex(device.pipModel);
        ui->check_doublePic->setChecked(device.pipOn != 0);
    }

    if (device.pipOn == 0) {
        leavePipPage();
    }
    updateInputButtons();
    updateOutputArea();
}

void Page_Control::showExpansionModule()
{
    const bool fitted = m_link->deviceState.extInputMode != 0;
    ui->lab_of_expandMes->setText(fitted ? QStringLiteral("SDI") : m_noModuleText);
    ui->but_of_ext->setEnabled(fitted);
}

void Page_Control::leavePipPage()
{
    // Only the PIP page needs PIP on; the operator may stay on the Timer page.
    if (ui->toolBox->currentIndex() == 1) {
        ui->toolBox->setCurrentIndex(0);
    }
}

void Page_Control::updateInputButtons()
{
    const CData& device = m_link->deviceState;
    if (device.takeMode) {
        ui->radio_of_take->setChecked(true);
        ui->but_of_auto->setText(takeText);
    } else {
        ui->radio_of_oneKey->setChecked(true);
        ui->but_of_auto->setText(autoText);
    }
    ui->but_of_auto->setVisible(device.pipOn == 0);

    m_mainButton = buttonOf(device.mainInput);
    m_secondButton = nullptr;
    if (device.pipOn) {
        m_secondButton = buttonOf(device.pipInput);
    } else if (device.takeMode) {
        leavePipPage();
        m_secondButton = buttonOf(device.presetInput);
    }
    // Restyling re-polishes and repaints a button: touch only those whose colour changes.
    for (QPushButton* button : m_buttonOf) {
        const QString& style = button == m_secondButton ? (button == m_mainButton ? m_bothStyle : m_secondStyle)
                               : button == m_mainButton ? m_mainStyle
                                                        : m_normalStyle;
        if (button->styleSheet() != style) {
            button->setStyleSheet(style);
        }
    }
}

void Page_Control::updateOutputArea()
{
    int height = m_outputHeight;
    int width = m_outputWidth;
    m_link->pipOutputSize(height, width);
    const bool changed = height != m_outputHeight || width != m_outputWidth;
    m_outputHeight = height;
    m_outputWidth = width;

    ui->wid_for_show->setScale(width / CanvasWidth, height / CanvasHeight);
    for (QSpinBox* box : {ui->spinBox_of_x, ui->spinBox_of_w, ui->spinBox_of_x_2, ui->spinBox_of_w_2}) {
        box->setMaximum(width);
    }
    for (QSpinBox* box : {ui->spinBox_of_y, ui->spinBox_of_h, ui->spinBox_of_y_2, ui->spinBox_of_h_2}) {
        box->setMaximum(height);
    }

    // The preview and the working copies were made for the old area: show the windows again at the new scale.
    if (changed) {
        if (m_subWindow) {
            showSubWindow();
        }
        if (m_mainWindow) {
            showMainWindow();
        }
    }
}

void Page_Control::showSubWindow()
{
    showWindow(SubWindow);
}

void Page_Control::showMainWindow()
{
    showWindow(MainWindow);
}

void Page_Control::showWindow(WindowType type)
{
    const CData& device = m_link->deviceState;
    if (device.pipOn == 0) {
        return;
    }
    const bool main = type == MainWindow;
    const QVector<int> values = loadRecord(main ? device.mainWindow : device.subWindow);
    const int x = values.value(X);
    const int w = values.value(W);
    const int y = values.value(Y);
    const int h = values.value(H);

    QSpinBox* xBox = main ? ui->spinBox_of_x : ui->spinBox_of_x_2;
    QSpinBox* yBox = main ? ui->spinBox_of_y : ui->spinBox_of_y_2;
    QSpinBox* wBox = main ? ui->spinBox_of_w : ui->spinBox_of_w_2;
    QSpinBox* hBox = main ? ui->spinBox_of_h : ui->spinBox_of_h_2;
    if (main) {
        ui->wid_for_show->setMainWindowRect(x, y, w, h);
    } else {
        ui->wid_for_show->setSubWindowRect(x, y, w, h);
    }
    m_shownRect[type] = main ? ui->wid_for_show->mainRect() : ui->wid_for_show->subRect();
    xBox->setValue(x);
    yBox->setValue(y);
    wBox->setValue(w);
    hBox->setValue(h);
    workingCopy(type) = Window{xBox->value(), wBox->value(), yBox->value(), hBox->value()};
}

void Page_Control::editWindow(WindowType type, WindowField field, QSpinBox* box)
{
    std::optional<Window>& working = workingCopy(type);
    if (!working || copyingDeviceState()) {
        return;
    }
    const int typed = box->value();
    // The device places windows on even pixels.
    box->setValue(typed + (typed & 1));
    const int value = box->value();
    if ((*working)[field] == value) {
        return;
    }
    (*working)[field] = value;
    Rsp_PIP_input_value(type);
}

void Page_Control::Rsp_PIP_input_value(const int type)
{
    const WindowType window = type == MainWindow ? MainWindow : SubWindow;
    const std::optional<Window>& working = workingCopy(window);
    if (!working) {
        return;
    }
    const Window& values = *working;
    if (values[X] + values[W] <= m_outputWidth && values[Y] + values[H] <= m_outputHeight) {
        sendWindow(window, values);
    } else {
        showWindow(window);
    }
}

void Page_Control::Rsp_PIP_number_value(const int type)
{
    const WindowType window = type == MainWindow ? MainWindow : SubWindow;
    const std::optional<Window>& working = workingCopy(window);
    const MyCanvas* canvas = ui->wid_for_show;
    const QRect dropped = window == MainWindow ? canvas->mainRect() : canvas->subRect();
    // A double-click without a move drops the window where it stood; a window the device has not
    // reported yet has nothing to move.
    if (!working || dropped.topLeft() == m_shownRect[window].topLeft()) {
        putBackOnCanvas(window);
        return;
    }
    // The window keeps its size and lands where it was dropped, on the even pixels the device places
    // windows on, inside the output area (the canvas takes a drop one pixel past its edge).
    const auto place = [](double canvasPixels, double scale, int limit) {
        const int value = std::clamp(int(std::lround(canvasPixels * scale)), 0, std::max(0, limit));
        return value - (value & 1);
    };
    Window values = *working;
    values[X] = place(dropped.left(), canvas->horizontalScale(), m_outputWidth - values[W]);
    values[Y] = place(dropped.top(), canvas->verticalScale(), m_outputHeight - values[H]);
    if (values == *working) {
        putBackOnCanvas(window);
        return;
    }
    sendWindow(window, values);
}

void Page_Control::putBackOnCanvas(WindowType type)
{
    if (type == MainWindow) {
        ui->wid_for_show->setMainRect(m_shownRect[type]);
    } else {
        ui->wid_for_show->setSubRect(m_shownRect[type]);
    }
}

void Page_Control::sendWindow(WindowType type, const Window& window)
{
    std::array<int, Rdx::ParameterCount> params{type};
    splitWords(window.data(), params.data(), 1, 4);
    sendToDevice(Rdx::PipWindowCommand, params.data(), Rdx::ParameterCount);
}

void Page_Control::Rsp_Click()
{
    auto* clicked = qobject_cast<QPushButton*>(sender());
    if (!clicked || !m_codeOf.contains(clicked)) {
        return;
    }
    const CData& device = m_link->deviceState;
    const QPushButton* main = buttonOf(device.mainInput);
    if (device.takeMode + device.pipOn >= 1) {
        // The preselected or PIP input must come from another group than the main input, or be the main input.
        if (m_groupOf.value(clicked) == m_groupOf.value(main, -1) && clicked != main) {
            return;
        }
    } else if (clicked == main) {
        return;
    }
    const int code = m_codeOf.value(clicked);
    sendToDevice(device.pipOn ? Rdx::PipInputCommand : Rdx::SwitchInputCommand, &code, 1);
}

void Page_Control::Rsp_auto_click()
{
    const int zero = 0;
    sendToDevice(ui->but_of_auto->text() == autoText ? Rdx::AutoCommand : Rdx::TakeCommand, &zero, 1);
}

void Page_Control::Rsp_PIP_model()
{
    const int model = ui->butBar_for_doubleModel->currentIndex();
    if (model >= 0) {
        sendToDevice(Rdx::PipModelCommand, &model, 1);
    }
}

void Page_Control::Rsp_Show_model()
{
    const int model = ui->butBar_for_model->currentIndex();
    if (model >= 0) {
        sendToDevice(Rdx::ShowModelCommand, &model, 1);
    }
}

void Page_Control::sendSwitchModel()
{
    const int take = ui->radio_of_take->isChecked() ? 1 : 0;
    sendToDevice(Rdx::SwitchModeCommand, &take, 1);
}

void Page_Control::on_radio_of_oneKey_clicked()
{
    sendSwitchModel();
}

void Page_Control::on_radio_of_take_clicked()
{
    sendSwitchModel();
}

void Page_Control::on_comboBox_for_time_currentIndexChanged(int index)
{
    if (index >= 0) {
        sendToDevice(Rdx::SwitchTimeCommand, &index, 1);
    }
}

void Page_Control::on_check_doublePic_clicked()
{
    const int on = ui->check_doublePic->isChecked() ? 1 : 0;
    sendToDevice(Rdx::PipSwitchCommand, &on, 1);
}

void Page_Control::on_toolBox_currentChanged(int index)
{
    if (index != 1) {
        return;
    }
    if (m_link->deviceState.pipOn == 0) {
        ui->toolBox->setCurrentIndex(0);
        MessageBox::show(m_messageTitle, m_pipMessage);
        return;
    }
    if (m_link->isConnected()) {
        emit m_link->sendStarTime(PipPageWaitMs);
        m_link->resetReads(-2);
        m_link->requestRead(Rdx::PipSubWindowRead);
        m_link->requestRead(Rdx::PipMainWindowRead);
    }
}

void Page_Control::on_spinBox_of_x_editingFinished()
{
    editWindow(MainWindow, X, ui->spinBox_of_x);
}

void Page_Control::on_spinBox_of_y_editingFinished()
{
    editWindow(MainWindow, Y, ui->spinBox_of_y);
}

void Page_Control::on_spinBox_of_w_editingFinished()
{
    editWindow(MainWindow, W, ui->spinBox_of_w);
}

void Page_Control::on_spinBox_of_h_editingFinished()
{
    editWindow(MainWindow, H, ui->spinBox_of_h);
}

void Page_Control::on_spinBox_of_x_2_editingFinished()
{
    editWindow(SubWindow, X, ui->spinBox_of_x_2);
}

void Page_Control::on_spinBox_of_y_2_editingFinished()
{
    editWindow(SubWindow, Y, ui->spinBox_of_y_2);
}

void Page_Control::on_spinBox_of_w_2_editingFinished()
{
    editWindow(SubWindow, W, ui->spinBox_of_w_2);
}

void Page_Control::on_spinBox_of_h_2_editingFinished()
{
    editWindow(SubWindow, H, ui->spinBox_of_h_2);
}
