#ifndef RDX480_SCHEDULE_MYTIMER_H
#define RDX480_SCHEDULE_MYTIMER_H

#include "link/Frame.h"

#include <QDateTime>
#include <QWidget>

#include <memory>

class ProxyModel;
class ScheduleAlarm;
class Singleton_SerialPort;
class TableModel;
class QTimer;

namespace Ui {
class myTimer;
}

// The schedule page: calendar, clock, the schedule table and its buttons, and the firing of today's
// entries: at each entry's minute the device is switched to its input, with the Control page's command.
class myTimer : public QWidget
{
    Q_OBJECT

public:
    explicit myTimer(QWidget* parent = nullptr);
    ~myTimer() override;

    void setLanguage(bool english);

private slots:
    void addZipcode();
    void deleteZipcode();
    void show_but_for_accept(bool accept);
    void addTimeCount(int count);
    void rsp_time_out();
    void on_but_for_delAll_clicked();
    void on_switchButton_checkedChanged(bool checked);
    void on_but_for_accept_clicked();

private:
    enum class Firing { Done, Retry };

    Firing fire(int row, const QDateTime& minute);
    Rdx::Outcome sendInput(int code);
    void armNextStep(const QDateTime& now);

    std::unique_ptr<Ui::myTimer> ui;
    TableModel* m_model;
    ProxyModel* m_proxy;
    int m_count = 0;
    Singleton_SerialPort* m_link;
    ScheduleAlarm* m_clock;
    int nowTimeIndex = 0;

    // A step that found the link in another exchange tries again within the minute.
    QTimer* m_retry;
    // The minute of the last firing: one firing per minute, however often the list is rebuilt.
    QDateTime m_firedMinute;
};

#endif
