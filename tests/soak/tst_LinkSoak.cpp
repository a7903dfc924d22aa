// A fault soak of the link against the simulated device, over loopback TCP and over the pseudo-terminal:
// a few thousand exchanges while the device drops, delays, refuses, splits and glues its replies and puts
// stray bytes in front of them. Every exchange must end (answered, re-sent and answered, refused, or ended
// by the overall time-out that the test runs the way the main window does), the link must stay usable,
// and once the faults stop the device copy must equal the device's state.
//
// The seed is printed at the start. The same seed gives the same exchanges and the same fault sequence;
// replay a failure with   RDX480_SOAK_SEED=<seed> ./tst_LinkSoak
#include "link/CData.h"
#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "sim/SimFixture.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <random>

enum class Transport { Tcp, Serial };
Q_DECLARE_METATYPE(Transport)

namespace {

constexpr int ExchangesPerTransport = 1000;
constexpr int RoundLength = 100;         // exchanges between two recovery checks
constexpr double FaultRate = 0.05;       // share of frames that meet a fault
constexpr int ShortTimeOutMs = 300;      // most exchanges: shorter than the link's 2000 ms re-send
constexpr int LongTimeOutMs = 2600;      // some exchanges: long enough for one re-send
constexpr int LongShare = 60;            // one exchange in this many gets the long time-out
constexpr int SettleMs = 750;            // outlasts the device's longest random delay (600 ms) and the stale gap
constexpr int HangGuardMs = 10000;       // an exchange still open after this has hung
constexpr qint64 PhaseBudgetMs = 55000;  // per transport, for the faulty rounds; the checks come on top
constexpr int DeliberateResendEvery = 3; // rounds

quint32 soakSeed()
{
    bool ok = false;
    const quint32 fromEnvironment = qEnvironmentVariable("RDX480_SOAK_SEED").toUInt(&ok);
    return ok ? fromEnvironment : 480480u;
}

int word(const WindowRecord& record, int index)
{
    return record.bytes[size_t(2 * index)] * 256 + record.bytes[size_t(2 * index + 1)];
}

// Where the device copy differs from the device, as text; empty when they agree.
QStringList differences(const CData& copy, const Rdx::FastValues& fast, const SimState& device)
{
    QStringList out;
    auto expect = [&out](const char* what, int got, int want) {
        if (got != want)
            out.append(QStringLiteral("%1: copy %2, device %3").arg(QLatin1String(what)).arg(got).arg(want));
    };
    auto expectWindow = [&](const char* what, const WindowRecord& record, const SimWindow& window) {
        const int values[4] = {window.x, window.w, window.y, window.h};
        for (int i = 0; i < 4; ++i)
            expect(what, word(record, i), values[i]);
    };
    expect("outputFormat", copy.outputFormat, device.outputFormat);
    expect("mainInput", copy.mainInput, device.mainInput);
    expect("switchTime", copy.switchTime, device.switchTime);
    expect("pipInput", copy.pipInput, device.pipInput);
    expect("presetInput", copy.presetInput, device.presetInput);
    expect("dviHotplug", copy.dviHotplug, device.dviHotplug);
    expect("extInputMode", copy.extInputMode, device.extInputMode);
    expect("audio1Source", copy.audio1Source, device.audio1Source);
    expect("audio2Source", copy.audio2Source, device.audio2Source);
    expect("audio3Source", copy.audio3Source, device.audio3Source);
    expect("fastLayout", copy.fastLayout, device.fastLayout);
    expect("pipModel", copy.pipModel, device.pipModel);
    expect("takeMode", copy.takeMode, device.takeMode);
    expect("pipOn", copy.pipOn, device.pipOn);
    expect("showModel", copy.showModel, device.showModel);
    expect("outputPort", copy.outputPort, device.outputPort);
    expect("brightness", copy.brightness, device.brightness);
    expect("contrast", copy.contrast, device.contrast);
    expect("color", copy.color, device.color);
    expect("outputBrightness", copy.outputBrightness, device.outputBrightness);

    SimWindow sub = device.pipWindows[size_t(device.pipModel * 2)];
    SimWindow main = device.pipWindows[size_t(device.pipModel * 2 + 1)];
    sub.x &= 0x7FFF;
    main.x &= 0x7FFF;
    expectWindow("subWindow", copy.subWindow, sub);
    expectWindow("mainWindow", copy.mainWindow, main);
    const size_t window = size_t(device.windowIndex());
    expectWindow("inputWindow", copy.inputWindow, device.inputWindows[window]);
    expectWindow("outputWindow", copy.outputWindow, device.outputWindows[window]);
    expectWindow("unitWindow", copy.unitWindow, device.unitWindows[window]);
    const auto& led = device.ledTotals[size_t(device.showModel)];
    expect("ledTotal width", word(copy.ledTotal, 0), led[0]);
    expect("ledTotal height", word(copy.ledTotal, 1), led[1]);
    const auto& values = device.fastValues[size_t(device.showModel)];
    const int valueCount = device.fastLayout == 4 || device.fastLayout == 5 ? 5 : 4;
    for (int i = 0; i < valueCount; ++i)
        expect("fastValues", fast[size_t(i)], values[size_t(i)]);
    return out;
}

// One exchange as a page runs it: an optional set-command, then reads.
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
    enum class Outcome { Answered, ResentAndAnswered, Refused, TimedOut };

    bool connectLink(Transport transport);
    Exchange randomExchange();
    Outcome run(const Exchange& exchange, int timeOutMs);
    void startOverallTimeOut(QTimer& overall, bool& timedOut, int timeOutMs);
    void settle(int ms);
    void checkRecovery(const char* when);

    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    std::unique_ptr<SimFixture> sim;
    quint32 seed = 0;
    std::mt19937 random;
    QString failure; // the first broken promise of the link, if any
};

void tst_LinkSoak::initTestCase()
{
    seed = soakSeed();
    qInfo("soak seed: %u (replay with RDX480_SOAK_SEED=%u)", seed, seed);
}

void tst_LinkSoak::cleanup()
{
    link->closeSerial();
    sim.reset();
}

bool tst_LinkSoak::connectLink(Transport transport)
{
    link->busy = false;
    link->useNetwork = transport == Transport::Tcp;
    if (link->useNetwork)
        link->openSerial(QStringLiteral("127.0.0.1"), sim->tcpPort(), 1);
    else
        link->openSerial(sim->serialPath(), -1, 1);
    if (link->linkState != Rdx::Opened)
        return false;
    link->linkState = Rdx::Connected; // what the main window does once the link opened
    return true;
}

Exchange tst_LinkSoak::randomExchange()
{
    auto pick = [this](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    Exchange exchange;
    switch (pick(0, 6)) {
    case 0: // an input switch; EXT. is refused by a device without the module
        exchange = {Rdx::SwitchInputCommand, pick(0, 7), {Rdx::StatusRead}};
        break;
    case 1:
        exchange = {Rdx::SwitchTimeCommand, pick(0, 3), {Rdx::StatusRead}};
        break;
    case 2:
        exchange = {Rdx::ShowModelCommand, pick(0, 3), {Rdx::StatusRead}};
        break;
    case 3:
        exchange = {Rdx::PipModelCommand, pick(0, 3), {Rdx::PipSubWindowRead, Rdx::PipMainWindowRead}};
        break;
    case 4: // the Control page's refresh
        exchange.reads = {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead};
        break;
    case 5: // the Mosaic page's refresh
        exchange.reads = {Rdx::StatusRead,     Rdx::FastValuesRead,  Rdx::LedTotalRead,
                          Rdx::UnitWindowRead, Rdx::InputWindowRead, Rdx::OutputWindowRead};
        break;
    default:
        exchange.reads = {Rdx::PictureRead};
        break;
    }
    return exchange;
}

// The main window's overall time-out: started with the exchange, it drops whatever is still pending.
void tst_LinkSoak::startOverallTimeOut(QTimer& overall, bool& timedOut, int timeOutMs)
{
    overall.setSingleShot(true);
    connect(&overall, &QTimer::timeout, this, [this, &timedOut] {
        timedOut = true;
        link->resetReads(-2);
    });
    overall.start(timeOutMs);
}

tst_LinkSoak::Outcome tst_LinkSoak::run(const Exchange& exchange, int timeOutMs)
{
    bool timedOut = false;
    QTimer overall;
    startOverallTimeOut(overall, timedOut, timeOutMs);

    link->resetReads(-2);
    if (exchange.code >= 0) {
        const int result = link->sendCommand(exchange.code, &exchange.parameter, 1);
        if (result != 1 && failure.isEmpty())
            failure = QStringLiteral("sendCommand(%1) returned %2").arg(exchange.code).arg(result);
        // An error reply during the send refuses the command, as the pages see it.
        if (result != 1 || link->linkState >= Rdx::DeviceError)
            return Outcome::Refused;
        // What the pages store once a command went through.
        if (exchange.code == Rdx::PipModelCommand)
            link->deviceState.pipModel = exchange.parameter;
        else if (exchange.code == Rdx::ShowModelCommand)
            link->deviceState.showModel = exchange.parameter;
    }
    for (int kind : exchange.reads)
        link->requestRead(kind);

    // From here on the exchange sends nothing itself: every further send is the link's re-send.
    int resends = 0;
    const QMetaObject::Connection counting =
        connect(link, &Singleton_SerialPort::sendWaiting, this, [&resends] { ++resends; });
    QElapsedTimer guard;
    guard.start();
    while (!timedOut && !link->pendingReadKeys().isEmpty()) {
        if (guard.elapsed() > HangGuardMs) {
            if (failure.isEmpty())
                failure = QStringLiteral("an exchange hung: pending %1 after %2 ms")
                              .arg(link->pendingReadKeys().size())
                              .arg(guard.elapsed());
            link->resetReads(-2);
            break;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    disconnect(counting);

    // However it ended, the link must be ready for the next exchange.
    if (failure.isEmpty() && !link->isConnected())
        failure = QStringLiteral("the link lost its connection");
    if (failure.isEmpty() && link->linkState != Rdx::Ready && link->linkState < Rdx::DeviceError)
        failure = QStringLiteral("link state %1 after an exchange").arg(link->linkState);
    if (timedOut) {
        if (failure.isEmpty() && !link->pendingReadKeys().isEmpty())
            failure = QStringLiteral("the time-out left reads pending");
        if (failure.isEmpty() && !link->useNetwork && link->isReplyTimerActive())
            failure = QStringLiteral("the time-out left the serial re-send timer running");
        return Outcome::TimedOut;
    }
    return resends > 0 ? Outcome::ResentAndAnswered : Outcome::Answered;
}

void tst_LinkSoak::settle(int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms)
        QTest::qWait(std::min<qint64>(50, ms - waited.elapsed()));
}

// Faults off, the line quiet: a full read must be answered and give the device's state.
void tst_LinkSoak::checkRecovery(const char* when)
{
    sim->setFaults({});
    settle(SettleMs);
    Exchange full;
    full.reads = everyRead;
    const Outcome outcome = run(full, 3000);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY2(outcome == Outcome::Answered, when);
    const QStringList wrong = differences(link->deviceState, link->fastValues, sim->state());
    QVERIFY2(wrong.isEmpty(),
             qPrintable(QLatin1String(when) + QStringLiteral(": ") + wrong.join(QStringLiteral("; "))));
}

void tst_LinkSoak::soak_data()
{
    QTest::addColumn<Transport>("transport");
    QTest::newRow("tcp") << Transport::Tcp;
    QTest::newRow("serial") << Transport::Serial;
}

void tst_LinkSoak::soak()
{
    QFETCH(Transport, transport);
    const quint32 transportSeed = seed + (transport == Transport::Tcp ? 0u : 1000003u);
    random.seed(transportSeed);
    failure.clear();

    sim = std::make_unique<SimFixture>();
    QVERIFY(sim->start());
    QVERIFY(connectLink(transport));
    checkRecovery("first read");

    QMap<Outcome, int> outcomes;
    int exchanges = 0;
    int rounds = 0;
    int deliberateResends = 0;
    QElapsedTimer budget;
    budget.start();
    while (exchanges < ExchangesPerTransport && budget.elapsed() < PhaseBudgetMs) {
        SimFaults faults;
        faults.randomSeed = transportSeed * 7919u + quint32(rounds);
        faults.randomFaultRate = FaultRate;
        sim->setFaults(faults);
        for (int i = 0; i < RoundLength && exchanges < ExchangesPerTransport; ++i, ++exchanges) {
            const int timeOut =
                std::uniform_int_distribution<int>(1, LongShare)(random) == 1 ? LongTimeOutMs : ShortTimeOutMs;
            ++outcomes[run(randomExchange(), timeOut)];
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("exchange %1: ").arg(exchanges) + failure));
        }
        ++rounds;
        checkRecovery("recovery after a faulty round");
        if (QTest::currentTestFailed())
            return;

        if (rounds % DeliberateResendEvery == 1) {
            // The device misses one status read after a command: the link re-sends it two seconds later.
            SimFaults missOne;
            missOne.silentKinds = {Rdx::StatusRead};
            sim->setFaults(missOne);
            link->resetReads(-2);
            const int time = int(random() % 4);
            QCOMPARE(link->sendCommand(Rdx::SwitchTimeCommand, &time, 1), 1);
            bool timedOut = false;
            QTimer overall;
            startOverallTimeOut(overall, timedOut, LongTimeOutMs);
            link->requestRead(Rdx::StatusRead);
            QCOMPARE(link->pendingReadKeys(), QList<int>{Rdx::StatusRead});
            sim->setFaults({});
            QTRY_VERIFY_WITH_TIMEOUT(timedOut || link->pendingReadKeys().isEmpty(), LongTimeOutMs + 1000);
            QVERIFY2(!timedOut, "the re-sent status read was not answered");
            QCOMPARE(link->deviceState.switchTime, time);
            ++deliberateResends;
        }
    }

    checkRecovery("after the soak");
    qInfo("%s: %d exchanges in %d rounds, %.1f s: %d answered, %d re-sent and answered, %d refused, %d timed out; "
          "%d deliberate re-sends",
          transport == Transport::Tcp ? "tcp" : "serial", exchanges, rounds, budget.elapsed() / 1000.0,
          outcomes.value(Outcome::Answered), outcomes.value(Outcome::ResentAndAnswered),
          outcomes.value(Outcome::Refused), outcomes.value(Outcome::TimedOut), deliberateResends);

    // Each exchange ended one way or another, faults really hit, and most exchanges still went through.
    int ended = 0;
    for (int count : outcomes)
        ended += count;
    QCOMPARE(ended, exchanges);
    QVERIFY2(exchanges >= 200, "the time budget ran out before a meaningful number of exchanges");
    QVERIFY(outcomes.value(Outcome::TimedOut) > 0);
    QVERIFY(outcomes.value(Outcome::Answered) > exchanges / 2);
    QVERIFY(deliberateResends > 0);
}

QTEST_GUILESS_MAIN(tst_LinkSoak)
#include "tst_LinkSoak.moc"
