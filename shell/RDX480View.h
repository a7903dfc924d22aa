#ifndef RDX480_SHELL_RDX480VIEW_H
#define RDX480_SHELL_RDX480VIEW_H

#include "shell/LinkSettings.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

namespace Ui {
class RDX480View;
}
class QTimer;
class Singleton_SerialPort;

// The main window: loads and saves the settings, wires the function bar, the page host, the wait
// overlay and the link together, turns link states into messages and runs an exchange's time-out.
class RDX480View : public QMainWindow
{
    Q_OBJECT

public:
    explicit RDX480View(QWidget* parent = nullptr);
    ~RDX480View() override;

    // Fonts the forms name but Linux lacks ("Microsoft YaHei") fall back to an installed CJK face, so
    // Chinese texts never show as boxes. Call once, after the application object exists.
    static void installFontFallback();

signals:
    void send_charge_page(int index);
    void updatePage(bool value);

public slots:
    void setLanguage(bool isEnglish = false);
    void rsp_showWait(int star);
    void doFunction();
    void rsp_connect();
    void rsp_disconnect();
    void rsp_page_index(int index);
    void rsp_time_star(int timeCount);
    void rsp_time_out();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // How often the window looks whether a service started or stopped for its folder.
    static constexpr int ServiceWatchMs = 1000;

    // Message codes: tens pick the title, units the text.
    enum MessageCode : int {
        OpenFailedMessage = 0,
        SendFailedMessage = 1,
        TimeOutMessage = 4,
        NotConnectedMessage = 13,
    };

    void showMessage(int code);
    // Shows the message for a failed link state (OpenFailed, SendFailed, NotConnected, Unanswered, device error).
    void showFailure(int state);
    void showDeviceError(int index);
    void showOpenFailure();
    // Tells the operator, once a run, that info.ini cannot be written and why.
    void showSaveFailure(const QString& reason);
    void takeSettingsFromLink();
    // Whether an rdx480d runs for this folder: it then holds the device and fires the schedule.
    void followService();
    // Through the service, new device settings go to info.ini at once, for the service to follow.
    void handSettingsToService();

    std::unique_ptr<Ui::RDX480View> ui;
    LinkSettings settings;
    QTimer* waitTimer = nullptr;
    QStringList titles;
    QStringList messages;
    QStringList errorTexts;
    Singleton_SerialPort* link = nullptr;
    bool isEnglish = false;
    bool saveFailureShown = false;
    QString folder;
    QTimer* serviceWatch = nullptr;
    bool serviceRuns = false;
};

#endif
