#include "schedule/myTimer.h"

#include "link/Singleton_SerialPort.h"
#include "schedule/MyTimeItem.h"
#include "schedule/ProxyModel.h"
#include "schedule/ScheduleRunner.h"
#include "schedule/TableModel.h"
#include "schedule/mytimedelegate.h"
#include "ui_myTimer.h"
#include "widgets/MessageBox.h"

#include <QAbstractProxyModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMessageBox>
#include <QStyleOptionHeader>

#include <algorithm>

namespace {

// The main window's overall time-out for a scheduled switch.
constexpr int FiringWaitMs = 5000;

bool askModally(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// The rows' numbers, wide enough for the largest the table can show: the whole schedule's count, in the
// widest digit. Qt's own hint measures two hundred numbers (twice as a loaded table settles, which a long
// schedule feels) and, with the rows sorted by a column, can still miss the widest in the middle.
class RowNumberHeader : public QHeaderView
{
public:
    explicit RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
    {
        // As the table's own row header: a click selects the row, and the selected row's number is bold.
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    QSize sizeHint() const override
    {
        if (count() == 0)
            return QHeaderView::sizeHint();
        int largest = count();
        if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(model()))
            largest = std::max(largest, proxy->sourceModel()->rowCount());
        QStyleOptionHeader option;
        initStyleOption(&option);
        // A selected row's number is drawn bold.
        QFont font = this->font();
        font.setBold(highlightSections());
        option.fontMetrics = QFontMetrics(font);
        option.text = QString(QString::number(largest).size(), QLatin1Char('8'));
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

myTimer::Question& question()
{
    static myTimer::Question handler;
    return handler;
}

} // namespace

myTimer::myTimer(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::myTimer>()), m_link(Singleton_SerialPort::instance())
{
    ui->setupUi(this);
    ui->lcdDateTime->setFormat(QStringLiteral("HH:mm:ss"));
    ui->but_for_add->setNormalColor(QColor(47, 189, 104));
    ui->but_for_del->setNormalColor(QColor(255, 85, 0));
    ui->but_for_accept->setNormalColor(QColor(34, 148, 197));
    ui->but_for_accept->hide();

    m_model = new TableModel(this);
    m_proxy = new ProxyModel(this);
    m_proxy->setSourceModel(m_model);
    ui->tableView->setModel(m_proxy);
    ui->tableView->setItemDelegate(new mytimedelegate(this));
    ui->tableView->setVerticalHeader(new RowNumberHeader(ui->tableView));
    ui->tableView->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    QHeaderView* header = ui->tableView->horizontalHeader();
    header->setSectionResizeMode(TableModel::TimeColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(TableModel::SignalColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(TableModel::WeekColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(TableModel::RepeatColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TableModel::ActiveColumn, QHeaderView::ResizeToContents);
    // Those two columns hold one fixed-size picture each: the rows in sight tell their width, and a table of
    // ten thousand entries is not measured row by row.
    header->setResizeContentsPrecision(0);
    // Inside another exchange (a page's command, its reads, or a page filling its widgets), a frame of ours
    // would replace the one on its way and drop the reads it waits for: the runner asks again shortly.
    ScheduleRunner::Device device{
        [this] { return m_link->isConnected(); },
        [this](int code) { return m_link->busy || m_link->isExchanging() ? Rdx::Outcome::Busy : sendInput(code); }};
    m_runner = new ScheduleRunner(m_model, std::move(device), this);
    QMetaObject::invokeMethod(
        m_model, [this] { m_model->load(); }, Qt::QueuedConnection);

    // A click sorts by that column; the indicator shows, and each click on the same title flips, the order.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, ui->tableView,
            [this, header](int column) { ui->tableView->sortByColumn(column, header->sortIndicatorOrder()); });
    connect(m_model, &TableModel::charge_Value, this, &myTimer::show_but_for_accept);
    // Queued: a box runs a modal loop, and the firing step that caused it must finish (and arm its next
    // wake-up) first.
    connect(m_model, &TableModel::send_message, this, &MessageBox::show, Qt::QueuedConnection);
    connect(m_runner, &ScheduleRunner::waitingForDevice, this, &myTimer::tellNotConnected, Qt::QueuedConnection);
    connect(m_runner, &ScheduleRunner::firedElsewhere, this, &myTimer::showFiredElsewhere);
    // Another program's save waits while an editor is open, and is read once it closes.
    m_model->setReloadHold([this] {
        const auto editors = ui->tableView->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        return std::any_of(editors.begin(), editors.end(), [](QWidget* editor) { return editor->isVisible(); });
    });
    connect(ui->tableView->itemDelegate(), &QAbstractItemDelegate::closeEditor, m_model, &TableModel::lookAtFolder,
            Qt::QueuedConnection);
    ui->lab_for_service->hide();
    connect(ui->but_for_add, &ColorButton::clicked, this, &myTimer::addZipcode);
    connect(ui->but_for_del, &ColorButton::clicked, this, &myTimer::deleteZipcode);
}

myTimer::~myTimer()
{
    m_model->save(QString());
}

void myTimer::setLanguage(bool english)
{
    m_english = english;
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
    showServiceLine();
}

void myTimer::setServiceFiring(bool service)
{
    m_runner->setFiring(!service);
    showServiceLine();
}

bool myTimer::isServiceFiring() const
{
    return !m_runner->isFiring();
}

void myTimer::setQuestionHandler(Question handler)
{
    question() = std::move(handler);
}

void myTimer::showFiredElsewhere(const ScheduleRunner::Report& report)
{
    m_elsewhere = report;
    showServiceLine();
    emit send_firedElsewhere();
}

void myTimer::showServiceLine()
{
    QStringList lines;
    if (isServiceFiring())
        lines << (m_english
                      ? QStringLiteral("The rdx480 service runs this schedule; changes made here are saved for it.")
                      : QStringLiteral("定时表由 rdx480 服务执行；在此所做的修改会保存给它。"));
    if (m_elsewhere.minute.isValid())
        lines << (m_english ? QStringLiteral("%1: switched to %2 by another program.")
                            : QStringLiteral("%1：另一程序已切换到 %2。"))
                     .arg(m_elsewhere.minute.toString(QStringLiteral("hh:mm")), signalName(m_elsewhere.input));
    ui->lab_for_service->setText(lines.join(QLatin1Char('\n')));
    ui->lab_for_service->setVisible(!lines.isEmpty());
}

void myTimer::tellNotConnected(const ScheduleRunner::Report& report)
{
    const QString text =
        m_english ? QStringLiteral("The entry at %1 (%2) could not run: the device is not connected. It still runs "
                                   "if the device is connected within this minute.")
                  : QStringLiteral("%1 的定时（%2）无法执行：设备未连接。若在这一分钟内连接设备，它仍会执行。");
    MessageBox::show(m_english ? QStringLiteral("Error") : QStringLiteral("错误"),
                     text.arg(report.minute.toString(QStringLiteral("hh:mm")), signalName(report.input)));
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

// The model's rebuilds reach the runner directly; these keep the page's own entry points.
void myTimer::addTimeCount(int count)
{
    qCDebug(lcSchedule) << "addTimeCount in";
    m_runner->restart(count);
}

void myTimer::rsp_time_out()
{
    m_runner->step();
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

void myTimer::on_but_for_delAll_clicked()
{
    const int count = m_model->rowCount();
    if (count == 0)
        return;
    const QString title = m_english ? QStringLiteral("Del All") : QStringLiteral("删除所有");
    const QString text =
        (m_english ? QStringLiteral("Delete all %1 entries?") : QStringLiteral("删除全部 %1 条定时？")).arg(count);
    if (question() ? question()(title, text) : askModally(title, text))
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
