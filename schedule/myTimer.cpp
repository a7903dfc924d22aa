#include "schedule/myTimer.h"

#include "link/Singleton_SerialPort.h"
#include "schedule/MyTimeItem.h"
#include "schedule/ProxyModel.h"
#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/mytimedelegate.h"
#include "ui_myTimer.h"
#include "widgets/MessageBox.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTimer>

#include <algorithm>

namespace {

// The main window's overall time-out for a scheduled switch.
constexpr int FiringWaitMs = 5000;
// How soon a step that found the link in another exchange looks again.
constexpr int RetryMs = 200;

QDateTime minuteOf(const QDateTime& time)
{
    return QDateTime(time.date(), ScheduleClock::wholeMinute(time.time()));
}

} // namespace

myTimer::myTimer(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::myTimer>()), m_link(Singleton_SerialPort::instance()),
      m_clock(new ScheduleAlarm(this)), m_retry(new QTimer(this))
{
    ui->setupUi(this);
    ui->lcdDateTime->setFormat(QStringLiteral("HH:mm:ss"));
    ui->but_for_add->setNormalColor(QColor(47, 189, 104));
    ui->but_for_del->setNormalColor(QColor(255, 85, 0));
    ui->but_for_accept->setNormalColor(QColor(34, 148, 197));
    ui->but_for_accept->hide();
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);

    m_model = new TableModel(this);
    m_proxy = new ProxyModel(this);
    m_proxy->setSourceModel(m_model);
    ui->tableView->setModel(m_proxy);
    ui->tableView->setItemDelegate(new mytimedelegate(this));
    ui->tableView->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    QHeaderView* header = ui->tableView->horizontalHeader();
    header->setSectionResizeMode(TableModel::TimeColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(TableModel::SignalColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(TableModel::WeekColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(TableModel::RepeatColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TableModel::ActiveColumn, QHeaderView::ResizeToContents);
    QMetaObject::invokeMethod(
        m_model, [this] { m_model->load(); }, Qt::QueuedConnection);

    connect(m_model, &TableModel::send_starTime, this, &myTimer::addTimeCount);
    // A click sorts by that column; the indicator shows, and each click on the same title flips, the order.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, ui->tableView,
            [this, header](int column) { ui->tableView->sortByColumn(column, header->sortIndicatorOrder()); });
    connect(m_model, &TableModel::charge_Value, this, &myTimer::show_but_for_accept);
    connect(m_model, &TableModel::send_message, this, &MessageBox::show);
    connect(ui->but_for_add, &ColorButton::clicked, this, &myTimer::addZipcode);
    connect(ui->but_for_del, &ColorButton::clicked, this, &myTimer::deleteZipcode);
    connect(m_clock, &ScheduleAlarm::timeout, this, &myTimer::rsp_time_out);
    connect(m_retry, &QTimer::timeout, this, &myTimer::rsp_time_out);
}

myTimer::~myTimer()
{
    m_model->save(QString());
}

void myTimer::setLanguage(bool english)
{
    m_model->setLanguage(english);
    ui->but_for_add->setText(english ? QStringLiteral("Add Row") : QStringLiteral("添加行"));
    ui->but_for_del->setText(english ? QStringLiteral("Del Row") : QStringLiteral("删除行"));
    ui->but_for_delAll->setText(english ? QStringLiteral("Del All") : QStringLiteral("删除所有"));
    ui->but_for_accept->setText(english ? QStringLiteral("OK") : QStringLiteral("确定"));
    ui->switchButton->setText(english ? QStringLiteral("Upcoming only") : QStringLiteral("只显示待执行"));
    // The calendar names the weekday in the panel's language, not the system's.
    ui->imageCalendar->setLocale(english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                         : QLocale(QLocale::Chinese, QLocale::China));
    ui->imageCalendar->update();
}

void myTimer::addZipcode()
{
    qCDebug(lcSchedule) << "rows" << m_model->rowCount();
    if (m_model->insertRows(m_model->rowCount(), 1)) {
        ui->tableView->scrollToBottom();
        ui->tableView->setFocus();
    }
}

void myTimer::deleteZipcode()
{
    // The selected entries, not merely the current cell: with Ctrl+click the two differ.
    QVector<int> rows;
    const QModelIndexList selected = ui->tableView->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : selected) {
        const int row = m_proxy->mapToSource(index).row();
        if (row >= 0 && !rows.contains(row))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_model->removeRows(row, 1);
}

void myTimer::show_but_for_accept(bool accept)
{
    ui->but_for_accept->setVisible(accept);
}

void myTimer::addTimeCount(int count)
{
    qCDebug(lcSchedule) << "addTimeCount in";
    m_count = count;
    nowTimeIndex = 0;
    // Even with nothing due today the page wakes at midnight to build the next day's list.
    QMetaObject::invokeMethod(this, &myTimer::rsp_time_out, Qt::QueuedConnection);
}

void myTimer::rsp_time_out()
{
    m_retry->stop();
    const QDateTime now = ScheduleClock::now();
    // A new day, by date: a late step fires nothing of yesterday's list, and the rebuild happens once.
    if (now.date() != m_model->builtFor()) {
        m_model->adjust();
        return;
    }
    const QTime minute = ScheduleClock::wholeMinute(now.time());
    const QVector<int> rows = m_model->todayRows();
    m_count = std::min(m_count, int(rows.size()));
    while (nowTimeIndex < m_count && ScheduleClock::wholeMinute(m_model->timeAt(rows.at(nowTimeIndex))) < minute)
        ++nowTimeIndex;
    if (nowTimeIndex < m_count && ScheduleClock::wholeMinute(m_model->timeAt(rows.at(nowTimeIndex))) == minute) {
        qCDebug(lcSchedule) << "in time out" << m_model->timeAt(rows.at(nowTimeIndex)) << minute;
        if (fire(rows.at(nowTimeIndex), minuteOf(now)) == Firing::Retry) {
            m_retry->start();
            return;
        }
        ++nowTimeIndex;
        qCDebug(lcSchedule) << "nowTimeIndex = " << nowTimeIndex;
    }
    armNextStep(now);
}

myTimer::Firing myTimer::fire(int row, const QDateTime& minute)
{
    // Fired already in this minute (before a rebuild), switched off since, or an input the device does not
    // have: nothing goes out.
    if (m_firedMinute == minute || !m_model->isActiveAt(row))
        return Firing::Done;
    const int code = m_model->signalAt(row);
    if (!isInputCode(code)) {
        qCWarning(lcSchedule) << "entry" << row << "has no input" << code << "- nothing sent";
        return Firing::Done;
    }
    if (!m_link->isConnected()) {
        // Nobody to switch: the entry's time has come and gone.
        m_firedMinute = minute;
        m_model->markFired(row);
        return Firing::Done;
    }
    // Inside another exchange (a page's command, its reads, or a page filling its widgets), a frame of ours
    // would replace the one on its way and drop the reads it waits for.
    if (m_link->busy || m_link->isExchanging())
        return Firing::Retry;

    const Rdx::Outcome outcome = sendInput(code);
    if (outcome == Rdx::Outcome::Busy)
        return Firing::Retry;
    m_firedMinute = minute;
    // A refused or unanswered switch was reported by the link; the entry stays active so the table shows
    // it did not run.
    if (outcome == Rdx::Outcome::Accepted || outcome == Rdx::Outcome::NotConnected)
        m_model->markFired(row);
    return Firing::Done;
}

Rdx::Outcome myTimer::sendInput(int code)
{
    const CData& device = m_link->deviceState;
    m_link->resetReads(0);
    emit m_link->sendStarTime(FiringWaitMs);
    Rdx::Outcome outcome = m_link->runCommand(device.pipOn * 4 + 1, &code, 1);
    // In Pre + TAKE mode the input command only preselects; the schedule means the output to switch.
    if (outcome == Rdx::Outcome::Accepted && device.takeMode && !device.pipOn) {
        const int take = 0;
        m_link->resetReads(0);
        outcome = m_link->runCommand(Rdx::TakeCommand, &take, 1);
    }
    if (outcome == Rdx::Outcome::Accepted) {
        m_link->requestOrder = -2;
        m_link->requestRead(Rdx::StatusRead);
    }
    return outcome;
}

void myTimer::armNextStep(const QDateTime& now)
{
    const QDateTime next =
        nowTimeIndex < m_count ? minuteOf(now).addSecs(60) : QDateTime(now.date().addDays(1), QTime(0, 0));
    m_clock->startAt(next);
}

void myTimer::on_but_for_delAll_clicked()
{
    m_model->clearAll();
}

void myTimer::on_switchButton_checkedChanged(bool checked)
{
    m_proxy->setState(checked ? 1 : 0);
}

void myTimer::on_but_for_accept_clicked()
{
    QMetaObject::invokeMethod(m_model, &TableModel::adjust, Qt::QueuedConnection);
}
