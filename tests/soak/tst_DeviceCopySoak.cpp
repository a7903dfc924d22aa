// The link's device copy against the simulated device on the paced serial line, while one reply in five
// meets a fault: delayed, refused, split, glued to the next one, or behind stray bytes. After every
// exchange (a set-command or none, then a status read) the copy must equal the device's state, unless the
// exchange ended as failed. Replay a seed with   RDX480_SOAK_SEED=<seed> ./tst_DeviceCopySoak
#include "tests/support/DeviceCopyCheck.h"
#include "tests/support/SimLink.h"

#include <QtTest>

#include <random>

class tst_DeviceCopySoak : public QObject
{
    Q_OBJECT

private slots:
    void deviceCopy_data()
    {
        QTest::addColumn<quint32>("seed");
        bool ok = false;
        const quint32 replay = qEnvironmentVariable("RDX480_SOAK_SEED").toUInt(&ok);
        for (quint32 seed : ok ? QVector<quint32>{replay} : QVector<quint32>{4, 17, 480, 9600, 65537})
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
        std::mt19937 random(seed);
        auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

        int failed = 0, mismatches = 0;
        QStringList first;
        for (int i = 0; i < Exchanges; ++i) {
            bool ok = true;
            fx.link->resetReads(-2);
            if (pick(0, 1)) {
                static constexpr int codes[][2] = {{Rdx::SwitchInputCommand, 7}, {Rdx::SwitchTimeCommand, 3},
                                                   {Rdx::ShowModelCommand, 3},  {Rdx::PipModelCommand, 3},
                                                   {Rdx::OutputPortCommand, 3}, {Rdx::PipSwitchCommand, 1}};
                const auto& code = codes[pick(0, 5)];
                const int parameter = pick(0, code[1]);
                ok = fx.link->runCommand(code[0], &parameter, 1) == Rdx::Outcome::Accepted;
                fx.link->resetReads(-2);
            }
            const int shown = fx.link->takeFailure();
            fx.link->requestRead(Rdx::StatusRead);
            // Every reply comes (none is dropped here); a late one within the faults' 600 ms is waited for.
            const bool answered = QTest::qWaitFor([&] { return fx.link->pendingReadKeys().isEmpty(); }, 2000);
            ok = ok && answered && shown == Rdx::Ready && fx.link->takeFailure() == Rdx::Ready;
            failed += ok ? 0 : 1;
            if (!ok)
                continue;
            const QStringList wrong = DeviceCopyCheck::statusDifferences(fx.link->deviceState, fx.sim->state());
            if (!wrong.isEmpty() && mismatches++ == 0)
                first = wrong;
        }
        qInfo("seed %u: %d exchanges, %d failed, %d mismatches, %lld late replies, %lld bytes dropped", seed,
              Exchanges, failed, mismatches, fx.link->lateReplies(), fx.link->droppedBytes());
        QVERIFY2(mismatches == 0, qPrintable(first.join(QStringLiteral("; "))));
        QVERIFY2(failed > 0, "no fault reached the link: the soak tested nothing");
        QVERIFY(failed < Exchanges / 2);
    }
};

QTEST_GUILESS_MAIN(tst_DeviceCopySoak)
#include "tst_DeviceCopySoak.moc"
