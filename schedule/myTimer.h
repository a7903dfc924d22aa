#ifndef RDX480_SCHEDULE_MYTIMER_H
#define RDX480_SCHEDULE_MYTIMER_H

#include "link/Frame.h"
#include "schedule/ScheduleRunner.h"

#include <QWidget>

#include <functional>
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

    // While a service runs this folder's schedule the page fires nothing and says so; it still edits time.t.
    void setServiceFiring(bool service);
    bool isServiceFiring() const;
    ScheduleRunner* runner() const { return m_runner; }

    // The yes/no question before "Del All"; tests answer it instead of a modal box.
    using Question = std::function<bool(const QString& title, const QString& text)>;
    static void setQuestionHandler(Question question);

signals:
    // Another program switched the device: the page that shows its state should read it again.
    void send_firedElsewhere();

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
    void showFiredElsewhere(const ScheduleRunner::Report& report);
    void showServiceLine();

    std::unique_ptr<Ui::myTimer> ui;
    TableModel* m_model;
    ProxyModel* m_proxy;
    Singleton_SerialPort* m_link;
    ScheduleRunner* m_runner;
    bool m_english = true;
    // The last firing by another program, for the line under the clock.
    ScheduleRunner::Report m_elsewhere;
};

#endif
