#include "shell/RDX480View.h"

#include "ui_RDX480View.h"

#include "Version.h"
#include "link/DeviceErrors.h"
#include "link/Singleton_SerialPort.h"
#include "schedule/myTimer.h"
#include "service/ServiceLocator.h"
#include "widgets/MessageBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShell, "rdx480.shell")

namespace {
struct WindowTexts
{
    QString windowTitle;
    QStringList titles;
    QStringList messages; // index 2 is never shown
    QString serialDenied; // %1 the serial node
    QString cannotSave;   // %1 the file, %2 the reason
};

const WindowTexts& windowTexts(bool isEnglish)
{
    static const WindowTexts english{QStringLiteral("RDX480 Control SoftWare(V" RDX480_VERSION ")"),
                                     {QStringLiteral("Error Message"), QStringLiteral("Prompt Message")},
                                     {QStringLiteral("Connection failed, check if the device or network is on"),
                                      QStringLiteral("Connection disconnected"), QString(),
                                      QStringLiteral("Please connect before user."), QStringLiteral("Out Time")},
                                     QStringLiteral("This account may not use %1: add it to the group dialout "
                                                    "(sudo usermod -aG dialout $USER), then log out and in again."),
                                     QStringLiteral("The settings cannot be saved to %1: %2")};
    static const WindowTexts chinese{
        QStringLiteral("RDX480控制软件（V" RDX480_VERSION ")"),
        {QStringLiteral("错误信息"), QStringLiteral("提示信息")},
        {QStringLiteral("   连接失败！！请检查设备和网络配置。"), QStringLiteral("    连接不上被连接对象。"), QString(),
         QStringLiteral("    软件未连接，请连接再使用本软件。"), QStringLiteral("    超时 或 未收到返回。")},
        QStringLiteral("当前账户无权使用 %1：请将它加入 dialout 组（sudo usermod -aG dialout $USER），"
                       "然后注销并重新登录。"),
        QStringLiteral("设置无法保存到 %1：%2")};
    return isEnglish ? english : chinese;
}
} // namespace

RDX480View::RDX480View(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::RDX480View>())
{
    ui->setupUi(this);
    setFixedSize(880, 600);
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/image/main.ico")));
    ui->wid_send_box->hide();

    link = Singleton_SerialPort::instance();
    link->hostAddress = settings.ip;
    link->tcpPort = settings.port;
    link->deviceNumber = settings.id;
    waitTimer = new QTimer(this);
    waitTimer->setObjectName(QStringLiteral("waitTimer"));

    // Order matters: the overlay hides before doFunction can open a message box.
    connect(link, &Singleton_SerialPort::sendWaiting, this, &RDX480View::rsp_showWait);
    connect(link, &Singleton_SerialPort::sendEnd, ui->wid_send_box, &QWidget::hide);
    connect(link, &Singleton_SerialPort::sendEnd, this, &RDX480View::doFunction);
    connect(ui->wid_bar, &Form_function_bar::send_connect, this, &RDX480View::rsp_connect);
    connect(ui->wid_bar, &Form_function_bar::send_close_connect, this, &RDX480View::rsp_disconnect);
    connect(ui->wid_bar, &Form_function_bar::send_page_index, this, &RDX480View::rsp_page_index);
    connect(ui->wig_main_page, &Form_display_page::send_language, this, &RDX480View::setLanguage);
    connect(this, &RDX480View::send_charge_page, ui->wig_main_page, &Form_display_page::rsp_chage_page);
    connect(this, &RDX480View::updatePage, ui->wig_main_page, QOverload<bool>::of(&Form_display_page::rsp_update_Page));
    connect(link, &Singleton_SerialPort::sendStarTime, this, &RDX480View::rsp_time_star);
    connect(waitTimer, &QTimer::timeout, this, &RDX480View::rsp_time_out);
    connect(link, &Singleton_SerialPort::send_receive_end, ui->wig_main_page,
            QOverload<int>::of(&Form_display_page::rsp_update_Page));

    link->hostAddress = settings.ip;
    link->serialPortName = settings.portName;
    link->tcpPort = settings.port;
    link->deviceNumber = settings.id;
    link->useNetwork = settings.network;

    setLanguage(settings.language);

    folder = QDir::currentPath();
    serviceWatch = new QTimer(this);
    serviceWatch->setInterval(ServiceWatchMs);
    connect(serviceWatch, &QTimer::timeout, this, &RDX480View::followService);
    serviceWatch->start();
    if (auto* timerPage = findChild<myTimer*>()) {
        // The service fired: the page on show reads the device again.
        connect(timerPage, &myTimer::send_firedElsewhere, this, [this] {
            if (link->isConnected() && !link->isExchanging())
                emit updatePage(true);
        });
    }
    followService();

    // A folder that cannot take info.ini is said once the window is up, before any setting is made in vain.
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QString problem = settings.writeProblem();
            if (!problem.isEmpty())
                showSaveFailure(problem);
        },
        Qt::QueuedConnection);
}

RDX480View::~RDX480View()
{
    takeSettingsFromLink();
    ui.reset();
    qCDebug(lcShell) << "end page";
}

// The window is still there to say so when info.ini cannot be written; the write at destruction
// follows, the same settings again.
void RDX480View::closeEvent(QCloseEvent* event)
{
    takeSettingsFromLink();
    QString reason;
    if (!settings.save(&reason))
        showSaveFailure(reason);
    event->accept();
}

void RDX480View::showSaveFailure(const QString& reason)
{
    if (saveFailureShown)
        return;
    saveFailureShown = true;
    MessageBox::show(titles.value(0),
                     windowTexts(isEnglish).cannotSave.arg(QDir::toNativeSeparators(settings.absolutePath()), reason));
}

void RDX480View::takeSettingsFromLink()
{
    // The transport chosen on the Setting page is kept for the next run, like the address and port.
    settings.ip = link->hostAddress;
    settings.port = link->tcpPort;
    settings.id = link->deviceNumber;
    settings.portName = link->serialPortName;
    settings.network = link->useNetwork;
    settings.language = isEnglish;
}

void RDX480View::installFontFallback()
{
    const QStringList cjkFaces{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                               QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")};
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), cjkFaces);
    QFont::insertSubstitutions(QFont().family(), cjkFaces);
}

void RDX480View::setLanguage(bool english)
{
    isEnglish = english;
    ui->wid_bar->setLanguage(english);
    ui->wig_main_page->setLanguage(english);

    const WindowTexts& texts = windowTexts(english);
    titles.clear();
    messages.clear();
    errorTexts.clear();
    titles = texts.titles;
    messages = texts.messages;
    errorTexts = Rdx::deviceErrorTexts(english);
    setWindowTitle(texts.windowTitle);
    settings.language = english;
}

void RDX480View::rsp_showWait(int star)
{
    qCDebug(lcShell) << "star = " << star;
    ui->wid_send_box->show();
    qCDebug(lcShell) << "show";
    // Paint the overlay before the send blocks; operator input waits until the exchange is over.
    if (star != 0) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        ui->wid_send_box->ensurePainted();
        qCDebug(lcShell) << "show WAIT END";
    }
}

void RDX480View::doFunction()
{
    if (waitTimer->isActive())
        waitTimer->stop();
    qCDebug(lcShell) << "sendEnd = " << link->linkState;

    switch (link->linkState) {
    case Rdx::Opened:
        ui->wid_bar->setConnected(true);
        link->linkState = Rdx::Connected;
        emit updatePage(true);
        break;
    case Rdx::Closed:
        ui->wid_bar->setConnected(false);
        emit updatePage(false);
        break;
    default:
        break;
    }
    handSettingsToService();
    // Several sendEnd signals can follow one failure (the command's own, the last read's): show it once.
    showFailure(link->takeFailure());
}

void RDX480View::showFailure(int state)
{
    if (state > Rdx::DeviceError) {
        const int code = state - Rdx::DeviceError;
        if (code > Rdx::LastTextedError)
            MessageBox::show(titles.value(0), Rdx::unknownDeviceErrorText(code, isEnglish));
        else
            showDeviceError(code - Rdx::FirstTextedError);
        return;
    }
    switch (state) {
    case Rdx::OpenFailed:
        showOpenFailure();
        break;
    case Rdx::SendFailed:
        showMessage(SendFailedMessage);
        break;
    case Rdx::NotConnected:
        showMessage(NotConnectedMessage);
        break;
    case Rdx::Unanswered:
        showMessage(TimeOutMessage);
        break;
    default:
        break;
    }
}

void RDX480View::followService()
{
    const bool runs = ServiceLocator::isRunning(folder);
    if (runs == serviceRuns)
        return;
    serviceRuns = runs;
    qCInfo(lcShell) << (runs ? "a service runs for" : "no service runs for") << folder;
    if (auto* timerPage = findChild<myTimer*>())
        timerPage->setServiceFiring(runs);
}

void RDX480View::rsp_connect()
{
    followService();
    if (serviceRuns) {
        link->openLocal(ServiceLocator::socketPath(folder), link->deviceNumber);
        return;
    }
    link->localServerPath.clear();
    link->openSerial(QString(), -1, 0);
}

void RDX480View::handSettingsToService()
{
    if (link->localServerPath.isEmpty())
        return;
    if (settings.ip == link->hostAddress && settings.port == link->tcpPort && settings.id == link->deviceNumber &&
        settings.portName == link->serialPortName && settings.network == link->useNetwork)
        return;
    takeSettingsFromLink();
    QString reason;
    if (!settings.save(&reason))
        showSaveFailure(reason);
}

void RDX480View::rsp_disconnect()
{
    link->closeSerial();
}

void RDX480View::rsp_page_index(int index)
{
    // Setting and Information work without a device; Control and Mosaic only show its state.
    if (link->isConnected() || (index != Form_display_page::ControlPage && index != Form_display_page::MosaicPage))
        emit send_charge_page(index);
    else
        showMessage(NotConnectedMessage);
}

void RDX480View::rsp_time_star(int timeCount)
{
    waitTimer->start(timeCount);
}

void RDX480View::rsp_time_out()
{
    ui->wid_send_box->hide();
    waitTimer->stop();
    link->resetReads(-2);
    link->giveUpExchange();
    qCDebug(lcShell) << "time out";
    // A read the device refused while others were still on their way has not been shown yet.
    const int failure = link->takeFailure();
    if (failure != Rdx::Unanswered)
        showFailure(failure);
    showMessage(TimeOutMessage);
}

void RDX480View::showMessage(int code)
{
    const QString title = titles.value(code / 10);
    const QString text = messages.value(code % 10);
    if (!text.isEmpty())
        MessageBox::show(title, text);
}

// Where the link tried and the system's reason, so the operator knows what to fix.
void RDX480View::showOpenFailure()
{
    QString text = messages.value(OpenFailedMessage % 10);
    if (!link->openFailureReason.isEmpty()) {
        const QString where =
            link->useNetwork ? QStringLiteral("%1:%2").arg(link->hostAddress).arg(link->tcpPort) : link->serialPortName;
        text += QStringLiteral("\n%1: %2").arg(where, link->openFailureReason);
        if (link->openFailureDenied)
            text += QLatin1Char('\n') + windowTexts(isEnglish).serialDenied.arg(where);
    }
    MessageBox::show(titles.value(OpenFailedMessage / 10), text);
}

void RDX480View::showDeviceError(int index)
{
    if (index >= 0 && index < errorTexts.size())
        MessageBox::show(titles.value(0), errorTexts.at(index));
}
