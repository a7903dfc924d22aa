// Fault soaks of the panel's exchanges against the simulated device. The same seed gives the same exchanges
// and the same fault sequence; replay a failure with   RDX480_SOAK_SEED=<seed> ./tst_LinkSoak
//
// soak: many exchanges over loopback TCP and over the paced pseudo-terminal, run the way the pages run them
// under the real main window, while the device drops, delays, refuses, splits and glues its replies and puts
// stray bytes in front of them. Every exchange must end within its overall time-out, each failure must reach
// the operator once, the window must take clicks again, and once the faults stop the device copy must equal
// the device's state.
//
// deviceCopy: the link's device copy on the paced serial line, while one reply in five meets a fault: delayed,
// refused, split, glued to the next one, or behind stray bytes. After every exchange (a set-command or none,
// then a status read) the copy must equal the device's state, unless the exchange ended as failed.
#include "shell/RDX480View.h"
#include "tests/support/DeviceCopyCheck.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"

#include <QElapsedTimer>
#include <QtTest>

#include <random>

namespace {

constexpr int ShortTimeOutMs = 300; // most exchanges: the window's time-out ends a lost read
constexpr int LongTimeOutMs = 7000; // one in 60: long enough for the link's own re-sends to run out
constexpr int EndSlackMs = 1500;    // a send under way when the time-out fires finishes its wait first

// One exchange as a page runs it: an optional set-command, then the reads it asks for.
struct Exchange
{
    int code = -1;
    int parameter = 0; // in the table: the highest one
    QVector<int> reads;
};

const Exchange pageExchanges[] = {
    {Rdx::SwitchInputCommand, 7, {Rdx::StatusRead}}, // EXT. is refused by a device without the module
    {Rdx::SwitchTimeCommand, 3, {Rdx::StatusRead}},
    {Rdx::ShowModelCommand, 3, {Rdx::StatusRead}},
    {Rdx::PipModelCommand, 3, {Rdx::PipSubWindowRead, Rdx::PipMainWindowRead}},
    {-1, 0, {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead}}, // the Control page's refresh
    {-1, 0, {Rdx::StatusRead, Rdx::FastValuesRead, Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::InputWindowRead,
             Rdx::OutputWindowRead}}, // the Mosaic page's refresh
    {-1, 0, {Rdx::PictureRead}}};

// RDX480_SOAK_SEED, when set (and not 0): the one run to replay.
const quint32 replaySeed = qEnvironmentVariable("RDX480_SOAK_SEED").toUInt();

} // namespace

class tst_LinkSoak : public QObject
{
    Q_OBJECT

private slots:
    void soak_data()
    {
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<int>("exchanges");
        QTest::newRow("tcp") << Transport::Tcp << 800;
        QTest::newRow("paced serial") << Transport::PacedSerial << 250;
    }
    void soak()
    {
        QFETCH(Transport, transport);
        QFETCH(int, exchanges);
        const quint32 seed = replaySeed ? replaySeed : 480480u;
        const quint32 transportSeed = seed + (transport == Transport::Tcp ? 0u : 1000003u);
        qInfo("soak seed: %u (replay with RDX480_SOAK_SEED=%u)", seed, seed);
        random.seed(transportSeed);
        SimLink fx(transport);
        RDX480View window;
        QVERIFY(fx.open());
        QCOMPARE(fx.link->linkState, int(Rdx::Connected)); // the window turned Opened into Connected
        checkRecovery(fx, window);

        int done = 0, failed = 0, rounds = 0;
        QElapsedTimer budget;
        budget.start();
        // 50 s per transport for the faulty rounds of 100 exchanges; the checks come on top.
        for (; done < exchanges && budget.elapsed() < 50000; ++rounds) {
            SimFaults faults;
            faults.randomSeed = transportSeed * 7919u + quint32(rounds);
            faults.randomFaultRate = 0.05;
            fx.sim->setFaults(faults);
            for (int i = 0; i < 100 && done < exchanges; ++i, ++done) {
                const int shownBefore = log.count();
                Exchange exchange = pageExchanges[pick(0, 6)];
                exchange.parameter = pick(0, exchange.parameter); // up to the highest one
                run(fx, window, exchange, pick(1, 60) == 1 ? LongTimeOutMs : ShortTimeOutMs);
                if (QTest::currentTestFailed())
                    return;
                failed += log.count() > shownBefore ? 1 : 0;
            }
            checkRecovery(fx, window);
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("%d exchanges in %d rounds, %d reported a failure", done, rounds, failed);
        QVERIFY2(done >= exchanges / 2, "the time budget ran out before a meaningful number of exchanges");
        QVERIFY2(failed > 0, "no fault reached the operator: the soak tested nothing");
        QVERIFY(failed < done / 2);
    }

    void deviceCopy_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : replaySeed ? QVector<quint32>{replaySeed} : QVector<quint32>{4, 17, 480, 9600, 65537})
            QTest::addRow("seed %u", seed) << seed;
    }
    void deviceCopy()
    {
        QFETCH(quint32, seed);
        constexpr int Exchanges = 500;
        SimLink fx(Transport::PacedSerial);
        QVERIFY(fx.open());
        SimFaults faults;
        faults.randomSeed = seed;
        faults.randomFaultRate = 0.2;
        faults.randomNoDrops = true; // a lost reply costs a whole deadline; tst_link covers it
        faults.glueHoldMs = 100;
        fx.sim->setFaults(faults);
        random.seed(seed);
        static constexpr int commands[][2] = {{Rdx::SwitchInputCommand, 7}, {Rdx::SwitchTimeCommand, 3},
                                              {Rdx::ShowModelCommand, 3},  {Rdx::PipModelCommand, 3},
                                              {Rdx::OutputPortCommand, 3}, {Rdx::PipSwitchCommand, 1}};
        int failed = 0;
        for (int i = 0; i < Exchanges; ++i) {
            bool ok = true;
            fx.link->resetReads(-2);
            if (pick(0, 1)) {
                const auto& command = commands[pick(0, 5)]; // the code and its highest parameter
                const int parameter = pick(0, command[1]);
                ok = fx.link->runCommand(command[0], &parameter, 1) == Rdx::Outcome::Accepted;
                fx.link->resetReads(-2);
            }
            const int shown = fx.link->takeFailure();
            fx.link->requestRead(Rdx::StatusRead);
            // Every reply comes (none is dropped here); a late one within the faults' 600 ms is waited for.
            const bool answered = QTest::qWaitFor([&] { return fx.link->pendingReadKeys().isEmpty(); }, 2000);
            ok = ok && answered && shown == Rdx::Ready && fx.link->takeFailure() == Rdx::Ready;
            failed += ok ? 0 : 1;
            const QStringList wrong = ok ? DeviceCopyCheck::statusDifferences(fx.link->deviceState, fx.sim->state())
                                         : QStringList();
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
        }
        qInfo("seed %u: %d exchanges, %d failed, %lld late replies, %lld bytes dropped", seed, Exchanges, failed,
              fx.link->lateReplies(), fx.link->droppedBytes());
        QVERIFY2(failed > 0, "no fault reached the link: the soak tested nothing");
        QVERIFY(failed < Exchanges / 2);
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    // Runs one exchange and checks how it ended.
    void run(SimLink& fx, const RDX480View& window, const Exchange& exchange, int timeOutMs)
    {
        const int shownBefore = log.count();
        QElapsedTimer clock;
        clock.start();
        Rdx::Outcome outcome = Rdx::Outcome::Accepted;
        fx.link->resetReads(-2);
        if (exchange.code >= 0) {
            outcome = fx.link->runCommand(exchange.code, &exchange.parameter, 1);
            // A command waits out a reply still owed to an earlier one, then its own deadline: no longer.
            QVERIFY2(clock.elapsed() <=
                         Singleton_SerialPort::CommandDeadlineMs + Singleton_SerialPort::LateReplyGraceMs + EndSlackMs,
                     "a set-command outlasted its deadline");
            clock.restart();
            if (outcome == Rdx::Outcome::Accepted && exchange.code == Rdx::PipModelCommand)
                fx.link->deviceState.pipModel = exchange.parameter; // what the pages store once accepted
            else if (outcome == Rdx::Outcome::Accepted && exchange.code == Rdx::ShowModelCommand)
                fx.link->deviceState.showModel = exchange.parameter;
        }
        if (outcome == Rdx::Outcome::Accepted) {
            emit fx.link->sendStarTime(timeOutMs);
            clock.restart();
            for (int kind : exchange.reads)
                fx.link->requestRead(kind);
        }
        const QString what = QStringLiteral("code %1, %2 reads, time-out %3 ms, outcome %4")
                                 .arg(exchange.code).arg(exchange.reads.size()).arg(timeOutMs).arg(int(outcome));
        QTRY_VERIFY2_WITH_TIMEOUT(!window.findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible() &&
                                      !fx.link->isExchanging(),
                                  qPrintable(what + QStringLiteral(": did not end")), timeOutMs + EndSlackMs);
        QVERIFY2(clock.elapsed() <= timeOutMs + EndSlackMs, "the window stayed blocked past the exchange's time-out");
        QVERIFY2(fx.link->isConnected(), "the link lost its connection");
        // One box per failure: a refusal, or the time-out, or both; never the same one twice.
        const QVector<MessageLog::Entry> shown = log.entries().mid(shownBefore);
        QVERIFY2(shown.size() <= 2 && (shown.size() < 2 || shown[0] != shown[1]), qPrintable(what));
        // A command on an open link is sent, and a refused or unanswered one is reported.
        QVERIFY2(outcome == Rdx::Outcome::Accepted ||
                     ((outcome == Rdx::Outcome::Refused || outcome == Rdx::Outcome::Unanswered) && !shown.isEmpty()),
                 qPrintable(what));
    }

    // Faults off, the line quiet (past the device's longest random delay, 600 ms, and the stale gap): a full
    // read must be answered without a message and give the device's state.
    void checkRecovery(SimLink& fx, const RDX480View& window)
    {
        fx.sim->setFaults({});
        QTest::qWait(750);
        const int shownBefore = log.count();
        run(fx, window,
            {-1, 0, {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead, Rdx::PictureRead,
                     Rdx::InputWindowRead, Rdx::OutputWindowRead, Rdx::LedTotalRead, Rdx::UnitWindowRead,
                     Rdx::FastValuesRead}},
            5000);
        QCOMPARE(log.count(), shownBefore);
        const QStringList wrong = DeviceCopyCheck::differences(fx.link->deviceState, fx.link->fastValues, fx.sim->state());
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    }

    MessageLog log;
    std::mt19937 random;
};

QTEST_MAIN(tst_LinkSoak)
#include "tst_LinkSoak.moc"
