#ifndef RDX480_SCHEDULE_MYTIMER_H
#define RDX480_SCHEDULE_MYTIMER_H

#include "link/Frame.h"
#include "schedule/ScheduleRunner.h"

#include <QWidget>

#include <memory>

class ProxyModel;
class Singleton_SerialPort;
class TableModel;

namespace Ui {
class myTimer;
}

// The schedule page: calendar, clock, the schedule table and its buttons. Its ScheduleRunner fires today's
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
    Rdx::Outcome sendInput(int code);
    void tellNotConnected(const ScheduleRunner::Report& report);

    std::unique_ptr<Ui::myTimer> ui;
    TableModel* m_model;
    ProxyModel* m_proxy;
    Singleton_SerialPort* m_link;
    ScheduleRunner* m_runner;
    bool m_english = true;
};

#endif
