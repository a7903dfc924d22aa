// A fault soak of the panel's exchanges against the simulated device, over loopback TCP and over the paced
// pseudo-terminal: many exchanges, run the way the pages run them under the real main window, while the
// device drops, delays, refuses, splits and glues its replies and puts stray bytes in front of them.
// Every exchange must end within its overall time-out, each failure must reach the operator once, the
// window must take clicks again, and once the faults stop the device copy must equal the device's state.
//
// The seed is printed at the start. The same seed gives the same exchanges and the same fault sequence;
// replay a failure with   RDX480_SOAK_SEED=<seed> ./tst_LinkSoak
#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"
#include "sim/SimFixture.h"
#include "tests/support/DeviceCopyCheck.h"
#include "tests/support/MessageLog.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>
#include <random>

namespace {

constexpr double FaultRate = 0.05;      // share of frames that meet a fault
constexpr int ShortTimeOutMs = 300;     // most exchanges: the window's time-out ends a lost read
constexpr int LongTimeOutMs = 7000;     // some exchanges: long enough for the link's own re-sends to run out
constexpr int LongShare = 60;           // one exchange in this many gets the long time-out
constexpr int SettleMs = 750;           // outlasts the device's longest random delay (600 ms) and the stale gap
constexpr int EndSlackMs = 1500;        // a send under way when the time-out fires finishes its wait first
constexpr qint64 PhaseBudgetMs = 50000; // per transport, for the faulty rounds; the checks come on top
constexpr int RoundLength = 100;

quint32 soakSeed()
{
    bool ok = false;
    const quint32 fromEnvironment = qEnvironmentVariable("RDX480_SOAK_SEED").toUInt(&ok);
    return ok ? fromEnvironment : 480480u;
}

// One exchange as a page runs it: an optional set-command, then the reads it asks for.
struct Exchange
{
    int code = -1;
    int parameter = 0;
    QVector<int> reads;
};

const QVector<int> everyRead = {Rdx::StatusRead,   Rdx::PipSubWindowRead, Rdx::PipMainWindowRead,
                                Rdx::PictureRead,  Rdx::InputWindowRead,  Rdx::OutputWindowRead,
                                Rdx::LedTotalRead, Rdx::UnitWindowRead,   Rdx::FastValuesRead};

} // namespace

class tst_LinkSoak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void soak_data();
    void soak();

private:
    Exchange randomExchange();
    void run(const Exchange& exchange, int timeOutMs);
    bool exchangeOver() const;
    QString describe(const Exchange& exchange, Rdx::Outcome outcome, int timeOutMs) const;
    void checkRecovery(const char* when);

    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    std::unique_ptr<SimFixture> sim;
    std::unique_ptr<RDX480View> window;
    std::unique_ptr<MessageLog> log;
    quint32 seed = 0;
    std::mt19937 random;
    int failedExchanges = 0;
};

void tst_LinkSoak::initTestCase()
{
    seed = soakSeed();
    qInfo("soak seed: %u (replay with RDX480_SOAK_SEED=%u)", seed, seed);
}

void tst_LinkSoak::cleanup()
{
    link->closeSerial();
    window.reset();
    log.reset();
    sim.reset();
}

Exchange tst_LinkSoak::randomExchange()
{
    auto pick = [this](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    switch (pick(0, 6)) {
    case 0: // an input switch; EXT. is refused by a device without the module
        return {Rdx::SwitchInputCommand, pick(0, 7), {Rdx::StatusRead}};
    case 1:
        return {Rdx::SwitchTimeCommand, pick(0, 3), {Rdx::StatusRead}};
    case 2:
        return {Rdx::ShowModelCommand, pick(0, 3), {Rdx::StatusRead}};
    case 3:
        return {Rdx::PipModelCommand, pick(0, 3), {Rdx::PipSubWindowRead, Rdx::PipMainWindowRead}};
    case 4: // the Control page's refresh
        return {-1, 0, {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead}};
    case 5: // the Mosaic page's refresh
        return {-1,
                0,
                {Rdx::StatusRead, Rdx::FastValuesRead, Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::InputWindowRead,
                 Rdx::OutputWindowRead}};
    default:
        return {-1, 0, {Rdx::PictureRead}};
    }
}

QString tst_LinkSoak::describe(const Exchange& exchange, Rdx::Outcome outcome, int timeOutMs) const
{
    QStringList pending;
    for (int key : link->pendingReadKeys())
        pending << QString::number(key);
    return QStringLiteral("exchange (code %1, %2 reads, time-out %3 ms, outcome %4) did not end: overlay %5, "
                          "pending [%6], exchanging %7")
        .arg(exchange.code)
        .arg(exchange.reads.size())
        .arg(timeOutMs)
        .arg(int(outcome))
        .arg(window->findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible())
        .arg(pending.join(QLatin1Char(' ')))
        .arg(link->isExchanging());
}

bool tst_LinkSoak::exchangeOver() const
{
    return !window->findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible() && !link->isExchanging();
}

void tst_LinkSoak::run(const Exchange& exchange, int timeOutMs)
{
    const int shownBefore = log->count();
    QElapsedTimer clock;
    clock.start();
    Rdx::Outcome outcome = Rdx::Outcome::Accepted;
    link->resetReads(-2);
    if (exchange.code >= 0) {
        outcome = link->runCommand(exchange.code, &exchange.parameter, 1);
        if (outcome == Rdx::Outcome::Accepted) {
            // What the pages store once a command went through.
            if (exchange.code == Rdx::PipModelCommand)
                link->deviceState.pipModel = exchange.parameter;
            else if (exchange.code == Rdx::ShowModelCommand)
                link->deviceState.showModel = exchange.parameter;
        }
    }
    if (outcome == Rdx::Outcome::Accepted) {
        emit link->sendStarTime(timeOutMs);
        clock.restart();
        for (int kind : exchange.reads)
            link->requestRead(kind);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(exchangeOver(), qPrintable(describe(exchange, outcome, timeOutMs)), timeOutMs + EndSlackMs);
    QVERIFY2(clock.elapsed() <= timeOutMs + EndSlackMs, "the window stayed blocked past the exchange's time-out");
    QVERIFY2(link->isConnected(), "the link lost its connection");

    // One box per failure: a refusal, or the time-out, or both; never the same one twice.
    const QVector<MessageLog::Entry> shown = log->entries().mid(shownBefore);
    QVERIFY2(shown.size() <= 2, qPrintable(QStringLiteral("%1 boxes for one exchange").arg(shown.size())));
    if (shown.size() == 2)
        QVERIFY2(shown[0] != shown[1], qPrintable(QStringLiteral("shown twice: ") + shown[0].second));
    if (outcome == Rdx::Outcome::Refused || outcome == Rdx::Outcome::Unanswered)
        QVERIFY2(!shown.isEmpty(), "a refused or unanswered command was not reported");
    QVERIFY2(outcome != Rdx::Outcome::Busy && outcome != Rdx::Outcome::NotConnected && outcome != Rdx::Outcome::Failed,
             "a set-command was not sent on an open link");
    failedExchanges += shown.isEmpty() ? 0 : 1;
}

// Faults off, the line quiet: a full read must be answered and give the device's state.
void tst_LinkSoak::checkRecovery(const char* when)
{
    sim->setFaults({});
    QTest::qWait(SettleMs);
    const int shownBefore = log->count();
    run({-1, 0, everyRead}, 5000);
    QCOMPARE(log->count(), shownBefore);
    const QStringList wrong = DeviceCopyCheck::differences(link->deviceState, link->fastValues, sim->state());
    QVERIFY2(wrong.isEmpty(), qPrintable(QLatin1String(when) + QStringLiteral(": ") + wrong.join(QStringLiteral("; "))));
}

void tst_LinkSoak::soak_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("exchanges");
    QTest::newRow("tcp") << true << 800;
    QTest::newRow("paced serial") << false << 250;
}

void tst_LinkSoak::soak()
{
    QFETCH(bool, network);
    QFETCH(int, exchanges);
    const quint32 transportSeed = seed + (network ? 0u : 1000003u);
    random.seed(transportSeed);
    failedExchanges = 0;

    SimFixture::Options options;
    options.tcp = network;
    options.serial = !network;
    options.paced = !network;
    sim = std::make_unique<SimFixture>(options);
    QVERIFY(sim->start());
    window = std::make_unique<RDX480View>();
    log = std::make_unique<MessageLog>();
    link->useNetwork = network;
    if (network)
        link->openSerial(QStringLiteral("127.0.0.1"), sim->tcpPort(), 1);
    else
        link->openSerial(sim->serialPath(), -1, 1);
    QCOMPARE(link->linkState, int(Rdx::Connected)); // the window turned Opened into Connected
    checkRecovery("first read");

    int done = 0;
    int rounds = 0;
    QElapsedTimer budget;
    budget.start();
    while (done < exchanges && budget.elapsed() < PhaseBudgetMs) {
        SimFaults faults;
        faults.randomSeed = transportSeed * 7919u + quint32(rounds);
        faults.randomFaultRate = FaultRate;
        sim->setFaults(faults);
        for (int i = 0; i < RoundLength && done < exchanges; ++i, ++done) {
            const bool longWait = std::uniform_int_distribution<int>(1, LongShare)(random) == 1;
            run(randomExchange(), longWait ? LongTimeOutMs : ShortTimeOutMs);
            if (QTest::currentTestFailed())
                return;
        }
        ++rounds;
        checkRecovery("recovery after a faulty round");
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("%s: %d exchanges in %d rounds, %.1f s, %d reported a failure", network ? "tcp" : "paced serial", done,
          rounds, budget.elapsed() / 1000.0, failedExchanges);
    QVERIFY2(done >= exchanges / 2, "the time budget ran out before a meaningful number of exchanges");
    QVERIFY2(failedExchanges > 0, "no fault reached the operator: the soak tested nothing");
    QVERIFY(failedExchanges < done / 2);
}

QTEST_MAIN(tst_LinkSoak)
#include "tst_LinkSoak.moc"
