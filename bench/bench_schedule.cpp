// The schedule page as it runs: how late a scheduled switch leaves after its minute boundary, and how long
// a time.t of 10,000 entries takes from the page's construction to the first paint of its table. Offscreen,
// against the simulated device on loopback TCP.
#include "BenchTable.h"

#include "link/Singleton_SerialPort.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/TimeFile.h"
#include "schedule/myTimer.h"
#include "sim/SimFixture.h"
#include "widgets/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>
#include <memory>

namespace {

int runCount = 15;
const QDate monday(2026, 3, 2);

// Runs the event loop until done() holds: blocked in the loop, not sleeping between polls as qWaitFor does,
// so a timer that is due is delivered at once.
bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(1);
    if (!done())
        loop.exec();
    return done();
}

// Stamps the first paint of a widget once `ready` holds.
class PaintStamp : public QObject
{
public:
    PaintStamp(QWidget* widget, const QElapsedTimer& clock, std::function<bool()> ready)
        : m_clock(clock), m_ready(std::move(ready))
    {
        widget->installEventFilter(this);
    }
    qint64 stampNs = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && stampNs < 0 && m_ready())
            stampNs = m_clock.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    std::function<bool()> m_ready;
};

void writeSchedule(int entries)
{
    TimeItems items;
    QRandomGenerator random(480);
    for (int i = 0; i < entries; ++i) {
        auto item = std::make_unique<MyTimeItem>();
        item->m_time = QTime(random.bounded(24), random.bounded(60));
        item->m_signal = random.bounded(8);
        item->m_week = random.bounded(1, 128);
        item->m_repeat = random.bounded(2);
        item->m_active = random.bounded(2);
        items.push_back(std::move(item));
    }
    QString error;
    if (!TimeFile::save(QStringLiteral("time.t"), items, &error))
        qFatal("cannot write time.t: %s", qPrintable(error));
}

// Constructing the page to the first paint of its table, with `entries` in time.t.
Samples loadToFirstPaint(int entries, int runs)
{
    Samples samples;
    writeSchedule(entries);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        myTimer page;
        page.setLanguage(true);
        auto* table = page.findChild<QTableView*>(QStringLiteral("tableView"));
        auto* model = qobject_cast<TableModel*>(qobject_cast<QSortFilterProxyModel*>(table->model())->sourceModel());
        // The load is queued: the paint that counts is the first one that shows the entries.
        PaintStamp stamp(table->viewport(), clock, [&] { return model->rowCount() == entries; });
        page.show();
        if (!spinUntil([&] { return stamp.stampNs >= 0; }, 5000))
            qFatal("time.t was not loaded and shown");
        samples.add(double(stamp.stampNs) / 1e6);
    }
    return samples;
}

// The fair floor for the load: the same file decoded by a plain loop into a bare table model, shown in a
// bare QTableView: no entry objects, no sorting, no proxy, no delegate, no page around it.
class PlainModel : public QAbstractTableModel
{
public:
    struct Row
    {
        QTime time;
        qint32 values[4];
    };

    explicit PlainModel(const QByteArray& bytes)
    {
        const char* at = bytes.constData() + TimeFile::HeaderSize;
        const char* end = bytes.constData() + bytes.size();
        while (end - at >= TimeFile::RecordSize) {
            auto digit = [at](int i) { return qFromBigEndian<quint16>(at + 4 + 2 * i) - '0'; };
            Row row;
            row.time = QTime(digit(0) * 10 + digit(1), digit(3) * 10 + digit(4));
            for (int i = 0; i < 4; ++i)
                row.values[i] = qFromBigEndian<qint32>(at + 14 + 4 * i);
            m_rows.append(row);
            at += TimeFile::RecordSize;
        }
    }
    int rowCount(const QModelIndex& = QModelIndex()) const override { return m_rows.size(); }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return 5; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        const Row& row = m_rows.at(index.row());
        switch (index.column()) {
        case 0:
            return row.time.toString(QStringLiteral("hh:mm"));
        case 1:
            return signalName(row.values[0]);
        case 2:
            return daysText(row.values[1]);
        default:
            return row.values[index.column() - 1];
        }
    }

private:
    QVector<Row> m_rows;
};

Samples plainLoadToFirstPaint(int entries, int runs)
{
    Samples samples;
    writeSchedule(entries);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        QFile file(QStringLiteral("time.t"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read time.t");
        PlainModel model(file.readAll());
        QTableView table;
        table.resize(770, 300);
        table.setModel(&model);
        PaintStamp stamp(table.viewport(), clock, [&] { return model.rowCount() == entries; });
        table.show();
        if (!spinUntil([&] { return stamp.stampNs >= 0; }, 5000))
            qFatal("the plain table was not shown");
        samples.add(double(stamp.stampNs) / 1e6);
    }
    return samples;
}

// From a minute boundary of the running clock to the scheduled command leaving for the device, and to its
// acceptance; the floor is a bare precise timer aimed at the same kind of boundary.
void firingLag(Samples& toWire, Samples& toAccepted, Samples& bareTimer)
{
    SimFixture sim;
    if (!sim.start())
        qFatal("simulated device did not start");
    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    link->useNetwork = true;
    link->openSerial(QStringLiteral("127.0.0.1"), sim.tcpPort(), 1);
    link->linkState = Rdx::Connected;

    QFile::remove(QStringLiteral("time.t"));
    myTimer page;
    auto* table = page.findChild<QTableView*>(QStringLiteral("tableView"));
    auto* model = qobject_cast<TableModel*>(qobject_cast<QSortFilterProxyModel*>(table->model())->sourceModel());
    QTest::qWait(50);

    for (int run = 0; run < runCount; ++run) {
        const QTime minute(8, run);
        const QDateTime boundary(monday, minute);
        model->insertRows(model->rowCount(), 1);
        const int row = model->rowCount() - 1;
        model->setData(model->index(row, TableModel::TimeColumn), timeText(minute));
        model->setData(model->index(row, TableModel::SignalColumn), 1 + run % 7); // EXT. needs a module
        model->setData(model->index(row, TableModel::WeekColumn), 127);

        // The boundary half a second away, on the clock the page reads.
        ScheduleClock::runFrom(boundary.addMSecs(-500));
        QElapsedTimer clock;
        clock.start();
        const qint64 boundaryNs = 500 * 1000000LL;
        qint64 wireNs = -1;
        qint64 acceptedNs = -1;
        const auto onWire = QObject::connect(link, &Singleton_SerialPort::sendWaiting, [&](int order) {
            if (order == 0 && wireNs < 0)
                wireNs = clock.nsecsElapsed();
        });
        const auto onAccepted = QObject::connect(model, &TableModel::dataChanged, [&](const QModelIndex& index) {
            if (index.row() == row && index.column() == TableModel::ActiveColumn && acceptedNs < 0)
                acceptedNs = clock.nsecsElapsed();
        });
        const bool accepted = spinUntil([&] { return acceptedNs >= 0; }, 3000);
        QObject::disconnect(onWire);
        QObject::disconnect(onAccepted);
        if (!accepted)
            qFatal("the scheduled command was not accepted");
        toWire.add(double(wireNs - boundaryNs) / 1e6);
        toAccepted.add(double(acceptedNs - boundaryNs) / 1e6);
        if (!spinUntil([&] { return link->pendingReadKeys().isEmpty(); }, 2000))
            qFatal("the status read after the switch was not answered");

        QElapsedTimer bare;
        bare.start();
        qint64 firedNs = -1;
        QTimer::singleShot(500, Qt::PreciseTimer, [&] { firedNs = bare.nsecsElapsed(); });
        if (!spinUntil([&] { return firedNs >= 0; }, 2000))
            qFatal("a bare timer did not fire");
        bareTimer.add(double(firedNs - boundaryNs) / 1e6);
    }
    link->closeSerial();
}

Samples constant(double value)
{
    Samples samples;
    samples.add(value);
    return samples;
}

} // namespace

int main(int argc, char* argv[])
{
    useBenchEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    runCount = runsFrom(args, runCount);
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    MessageBox::setHandler([](const QString& title, const QString& text) {
        std::fprintf(stderr, "message: %s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    });
    std::printf("schedule benchmarks: %d runs per figure, offscreen, Qt %s\n", runCount, qVersion());

    Samples toWire, toAccepted, bareTimer;
    const bool loadOnly = args.contains(QStringLiteral("--load-only"));
    if (!loadOnly)
        firingLag(toWire, toAccepted, bareTimer);
    ScheduleClock::set(QDateTime(monday, QTime(7, 0)));
    // In turns, so that a busy moment of the machine falls on both sides alike.
    Samples big, plain, plainEmpty, empty;
    for (int run = 0; run < runCount; ++run) {
        big.values += loadToFirstPaint(10000, 1).values;
        plain.values += plainLoadToFirstPaint(10000, 1).values;
        empty.values += loadToFirstPaint(0, 1).values;
        plainEmpty.values += plainLoadToFirstPaint(0, 1).values;
    }

    BenchTable firing(QStringLiteral("Firing: from the minute boundary"));
    firing.add(QStringLiteral("boundary -> command handed to the socket"), toWire, QStringLiteral("target 100 ms"),
               constant(100.0), 1.0);
    firing.add(QStringLiteral("boundary -> command accepted by the device"), toAccepted,
               QStringLiteral("target 100 ms"), constant(100.0), 1.0);
    firing.add(QStringLiteral("boundary -> command handed to the socket"), toWire,
               QStringLiteral("bare precise timer, same wait"), bareTimer, 0.0);
    if (!loadOnly)
        firing.print();

    BenchTable loading(QStringLiteral("Loading time.t: page construction -> first paint of the table"));
    loading.add(QStringLiteral("10,000 entries: load, sort, show"), big,
                QStringLiteral("plain decoding loop, bare model and QTableView"), plain, 2.0);
    // What the entries add, with what each side costs without them (the page's own widgets) taken off.
    loading.add(QStringLiteral("10,000 entries, less the empty page"), constant(big.median() - empty.median()),
                QStringLiteral("plain loop, less its empty table"), constant(plain.median() - plainEmpty.median()),
                0.0);
    loading.add(QStringLiteral("10,000 entries: load, sort, show"), big, QStringLiteral("target 100 ms"),
                constant(100.0), 1.0);
    loading.add(QStringLiteral("10,000 entries: load, sort, show"), big, QStringLiteral("the same page, empty time.t"),
                empty, 0.0);
    loading.print();
    return 0;
}
