// The link against the simulated device, over a real loopback TCP socket and a real pseudo-terminal.
#include "tests/support/SimLink.h"
#include "tests/support/StepClock.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

Q_DECLARE_METATYPE(Rdx::Outcome)

namespace {

// Bytes [from, from + count) of every frame the device received, in hex.
QByteArray receivedHex(const SimFixture& sim, int from = 0, int count = Rdx::FrameSize)
{
    QByteArray out;
    for (const Rdx::Frame& frame : sim.received())
        out += Rdx::toByteArray(frame).mid(from, count);
    return out.toHex();
}


} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { fx.reset(); }

    // Closed, not Ready, busy: nothing is sent; Ready: the frame goes out, keeping the bytes past its
    // parameters from the frame before, and the status reply is decoded. Closed here or by the TCP peer, the
    // link reports it and opens again (on a new device, when the peer left).
    void connectSendAndClose_data()
    {
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<bool>("peerCloses");
        QTest::newRow("tcp") << Transport::Tcp << false;
        QTest::newRow("serial") << Transport::Serial << false;
        QTest::newRow("tcp, the peer closes") << Transport::Tcp << true;
    }
    void connectSendAndClose()
    {
        QFETCH(Transport, transport);
        QFETCH(bool, peerCloses);
        const int vga = Rdx::VgaInput, dvi = Rdx::Dvi1Input;
        link->useNetwork = transport == Transport::Tcp;
        QSignalSpy waiting(link, &Singleton_SerialPort::sendWaiting);
        QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
        QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), -1);
        QCOMPARE(link->linkState, int(Rdx::NotConnected)); // and the window learns why
        QCOMPARE(ended.count(), 1);

        QVERIFY(openOn(transport));
        QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), -1); // no resetReads yet: silently
        link->resetReads(-2);
        link->busy = true;
        QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &dvi, 1), -1);
        link->requestRead(Rdx::StatusRead);
        link->busy = false;
        QVERIFY(link->pendingReadKeys().isEmpty());
        QCOMPARE(ended.count(), 2);

        link->deviceState.outputPort = 1, link->deviceState.showModel = 1;
        link->requestRead(Rdx::InputWindowRead); // window 5
        QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
        QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), 1);
        QCOMPARE(waiting, (QList<QVariantList>{{-2}, {-2}, {-2}})); // the open, the read, the command
        // Frames arrive in the order written: had the busy ones gone out, they would come first.
        QTRY_COMPARE(fx->sim->received().size(), 2);
        QCOMPARE(receivedHex(*fx->sim), QByteArray("9101fe0905000000000000009191010105050000000000000091"));
        QTRY_COMPARE(link->deviceState.mainInput, int(Rdx::VgaInput));
        QCOMPARE(replies.first().first().toInt(), int(Rdx::StatusRead));

        peerCloses ? fx->sim.reset() : link->closeSerial();
        QTRY_COMPARE(link->linkState, int(Rdx::Closed));
        QVERIFY(!link->isConnected());
        QVERIFY(ended.count() >= 3);
        QVERIFY(fx->open()); // again, on the same transport
        QVERIFY(fx->open()); // and once more while open: the open transport is closed first
    }

    void exchangeOutcomes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<Rdx::Outcome>("outcome");
        QTest::addColumn<int>("failure"); // the one failure the window is given to show
        QTest::addColumn<int>("late");    // replies dropped as late
        const int in = Rdx::SwitchInputCommand, ready = Rdx::Ready, unanswered = Rdx::Unanswered;
        SimFaults at700, at3000, at6000, never, refused, high;
        at700.delayMs = 700, at3000.delayMs = 3000, at6000.delayMs = 6000, never.silentCodes = {in};
        refused.errorForCode = {{in, 9}}, high.errorForCode = {{in, 0xA1}};
        SimFaults inPieces = refused;
        inPieces.chunkSize = 5;
        using O = Rdx::Outcome;
        QTest::newRow("accepted") << in << SimFaults{} << O::Accepted << ready << 0;
        // Within the deadline a reply answers the command, however slow; past it the command is unanswered.
        QTest::newRow("answered at 700 ms") << in << at700 << O::Accepted << ready << 0;
        QTest::newRow("answered at 3 s") << in << at3000 << O::Accepted << ready << 0;
        QTest::newRow("answered at 6 s") << in << at6000 << O::Unanswered << unanswered << 1;
        // The status read's answer looks like the owed one: taken for it, and the read asked again.
        QTest::newRow("never answered") << in << never << O::Unanswered << unanswered << 1;
        QTest::newRow("refused") << in << refused << O::Refused << 109 << 0;
        QTest::newRow("refusal in pieces") << in << inPieces << O::Refused << 109 << 0;
        QTest::newRow("unknown code") << 7 << SimFaults{} << O::Refused << 105 << 0;
        // Above the table, and 0xA1 read as a signed byte would have made 100 - 95 = 5, "not connected".
        QTest::newRow("code above the table, a negative byte") << in << high << O::Refused << 100 + 0xA1 << 0;
    }
    // A set-command ends as the device answered it within its deadline: the window is given the failure once
    // and the exchange is over (no read left pending), and the event loop ran all the while (the overlay
    // animates). A reply past the deadline is dropped, not taken for the status read that follows, which shows
    // what the device did.
    void exchangeOutcomes()
    {
        QFETCH(int, code);
        QFETCH(SimFaults, faults);
        QFETCH(Rdx::Outcome, outcome);
        const int vga = Rdx::VgaInput;
        QVERIFY(openOn(Transport::Tcp));
        readStatus();
        const int mainInput = link->deviceState.mainInput;
        const qint64 lateBefore = link->lateReplies();
        fx->sim->setFaults(faults);
        QTimer animation;
        QSignalSpy ticks(&animation, &QTimer::timeout);
        animation.start(50);
        link->resetReads(-2);
        QCOMPARE(link->runCommand(code, &vga, 1), outcome);
        QVERIFY(ticks.count() > 0 || (faults.delayMs == 0 && faults.silentCodes.isEmpty())); // when it waited
        QTEST(link->takeFailure(), "failure");
        QCOMPARE(link->takeFailure(), int(Rdx::Ready));
        QTRY_VERIFY(!link->isExchanging());
        // An accepted command's status reply is decoded like any other; nothing else changes the copy.
        QCOMPARE(link->deviceState.mainInput, outcome == Rdx::Outcome::Accepted ? vga : mainInput);

        fx->sim->setFaults({});
        readStatus();
        QCOMPARE(link->deviceState.mainInput, outcome == Rdx::Outcome::Refused ? mainInput : vga);
        QTEST(int(link->lateReplies() - lateBefore), "late");
        QCOMPARE(link->takeFailure(), int(Rdx::Ready));
    }

    // Reads the device never answers after a command: the one with the smallest key is re-sent twice, then
    // all are given up as unanswered: one failure, no endless re-sends. Without a command before it, an
    // unanswered read waits for the window's time-out instead: no re-send is due. With re-sends due, a new
    // exchange forgets the reads but lets the timer run out, sending nothing; closing stops the timer at once.
    void resendsAreBounded()
    {
        startUnansweredStatusRead();
        QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
        QTRY_VERIFY_WITH_TIMEOUT(!link->isExchanging(), 3 * Singleton_SerialPort::ResendIntervalMs + 2000);
        // The command, the two reads, then two re-sends of the status read.
        QCOMPARE(receivedHex(*fx->sim, 2, 2), QByteArray("0000fe06fe00fe00fe00"));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(link->takeFailure(), int(Rdx::Unanswered));
        QVERIFY(!link->isReplyTimerActive());

        link->resetReads(-2);
        link->requestRead(Rdx::StatusRead);
        QCOMPARE(link->pendingReadKeys(), QList<int>{0});
        QVERIFY(!link->isReplyTimerActive());
        QCOMPARE(link->linkState, int(Rdx::Ready));

        for (bool close : {false, true}) {
            startUnansweredStatusRead();
            fx->sim->clearReceived();
            close ? link->closeSerial() : link->resetReads(-2);
            QVERIFY(link->pendingReadKeys().isEmpty());
            QCOMPARE(link->isReplyTimerActive(), !close);
            QTRY_VERIFY(!link->isReplyTimerActive());
            QCOMPARE(fx->sim->received().size(), 0);
        }
    }

    // Replies in pieces, glued, behind stray bytes or without markers are all decoded, the first one included;
    // the noise is all a stray costs.
    void deliveries_data()
    {
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<SimFaults>("faults");
        SimFaults bytewise, chunks, glued, stray, unmarked;
        bytewise.chunkSize = 1, chunks.chunkSize = 5, glued.glueReplies = true, unmarked.noMarkers = true;
        stray.strayBytes = QByteArray("\x55\xAA\x01", 3);
        QTest::newRow("tcp, one byte at a time") << Transport::Tcp << bytewise;
        QTest::newRow("serial, 5-byte chunks") << Transport::Serial << chunks;
        QTest::newRow("tcp, two replies glued") << Transport::Tcp << glued;
        QTest::newRow("serial, two replies glued") << Transport::Serial << glued;
        for (Transport transport : {Transport::Tcp, Transport::PacedSerial}) {
            const char* on = transport == Transport::Tcp ? "tcp" : "paced serial";
            QTest::addRow("%s, stray bytes", on) << transport << stray;
            QTest::addRow("%s, no markers", on) << transport << unmarked;
        }
    }
    void deliveries()
    {
        QFETCH(Transport, transport);
        QFETCH(SimFaults, faults);
        SimState device;
        device.mainInput = Rdx::V2Input, device.brightness = 0x91; // a marker in the data
        QVERIFY(openOn(transport, device));
        fx->sim->setFaults(faults);
        const qint64 droppedBefore = link->droppedBytes();

        QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
        link->resetReads(-2);
        link->requestRead(Rdx::StatusRead);
        link->requestRead(Rdx::PictureRead);
        QTRY_COMPARE(replies.count(), 2);
        QCOMPARE(replies, (QList<QVariantList>{{int(Rdx::StatusRead)}, {int(Rdx::PictureRead)}}));
        QCOMPARE(link->deviceState.mainInput, int(Rdx::V2Input));
        QCOMPARE(link->deviceState.brightness, 0x91);
        QVERIFY(link->pendingReadKeys().isEmpty());
        QCOMPARE(link->droppedBytes() - droppedBefore, qint64(faults.strayBytes.size()));
    }

    // A whole frame passed through: its own reply handed back, refused or not; past its deadline unanswered,
    // and the reply that still comes is not handed to the next frame.
    void exchangeFrame()
    {
        QVERIFY(openOn(Transport::Tcp));
        Rdx::Frame request = Rdx::emptyFrame(), reply;
        request[1] = 1, request[2] = Rdx::ReadRequestCode, request[3] = Rdx::PictureRead;
        const qint64 lateBefore = link->lateReplies();
        // The outcome, and bytes 2 and 3 of the reply handed back.
        const auto pass = [&](const SimFaults& faults, int deadlineMs) {
            fx->sim->setFaults(faults);
            reply = Rdx::emptyFrame();
            link->resetReads(-2);
            const int outcome = int(link->exchangeFrame(request, &reply, deadlineMs));
            return qMakePair(outcome, Rdx::toByteArray(reply).mid(2, 2).toHex());
        };
        using O = Rdx::Outcome;
        SimFaults refuse, late;
        refuse.errorForKind = {{Rdx::PictureRead, 12}}, late.delayMs = 600;
        QCOMPARE(pass({}, 300), qMakePair(int(O::Accepted), QByteArray("0008")));
        QCOMPARE(pass(refuse, 300), qMakePair(int(O::Refused), QByteArray("ff0c")));
        QCOMPARE(pass(late, 300), qMakePair(int(O::Unanswered), QByteArray("0000")));
        request[3] = Rdx::StatusRead; // answered by the status reply, not by the picture reply that came late
        QCOMPARE(pass({}, Singleton_SerialPort::CommandDeadlineMs), qMakePair(int(O::Accepted), QByteArray("0000")));
        QCOMPARE(link->lateReplies(), 1 + lateBefore);
    }

    // A serial line that hangs up closes the port at once, idle or mid-exchange: one report, the exchange
    // failed (no "Out Time" after it), nothing spinning; the same path opens again once the device is back.
    void serialHangUp_data()
    {
        QTest::addColumn<bool>("midExchange");
        QTest::newRow("idle") << false;
        QTest::newRow("mid-exchange") << true;
    }
    void serialHangUp()
    {
        QFETCH(bool, midExchange);
        QTemporaryDir dir;
        fx = std::make_unique<SimLink>(Transport::PacedSerial);
        fx->serialLink = dir.filePath(QStringLiteral("rdx480-line"));
        QVERIFY(fx->open());
        const int vga = Rdx::VgaInput;
        if (midExchange) {
            SimFaults silent;
            silent.silentCodes = {Rdx::SwitchInputCommand};
            fx->sim->setFaults(silent);
            QTimer::singleShot(100, [this] { fx->sim.reset(); });
            link->resetReads(-2);
            QCOMPARE(link->runCommand(Rdx::SwitchInputCommand, &vga, 1), Rdx::Outcome::Failed);
        } else {
            fx->sim.reset();
        }
        QTRY_COMPARE_WITH_TIMEOUT(link->linkState, int(Rdx::Closed), 1000);
        QVERIFY(!link->isConnected());
        QCOMPARE(link->takeFailure(), int(Rdx::SendFailed));
        QCOMPARE(link->takeFailure(), int(Rdx::Ready));
        if (!midExchange) {
            const std::clock_t cpuBefore = std::clock(); // the process's, all threads
            QTest::qWait(3000);
            QVERIFY2(std::clock() - cpuBefore < CLOCKS_PER_SEC * 3 / 10, "the closed line still keeps a core busy");
        }
        QVERIFY(fx->startDevice());
        link->openSerial(); // the path it had
        QVERIFY(link->isConnected());
        link->resetReads(-2);
        QCOMPARE(link->runCommand(Rdx::SwitchInputCommand, &vga, 1), Rdx::Outcome::Accepted);
    }

    // A device that stops reading: the write that does not get through ends the connection with a reset, so
    // the frame reported as failed never reaches the device, even once it reads again.
    void stalledPeer()
    {
        fx = std::make_unique<SimLink>(Transport::Tcp);
        fx->tcpReceiveBuffer = 2048;
        QVERIFY(fx->open());
        link->findChild<QTcpSocket*>()->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 2048);
        SimFaults paused;
        paused.pauseReading = true;
        fx->sim->setFaults(paused);
        StepClock clock;
        link->setClock(&clock);
        QLoggingCategory::setFilterRules(QStringLiteral("rdx480.link.warning=false"));
        QVector<Rdx::Frame> written;
        Rdx::Outcome outcome = Rdx::Outcome::Unanswered;
        for (int x = 0; x < 20000 && outcome == Rdx::Outcome::Unanswered; ++x) {
            const int window[9] = {0, x >> 8, x & 0xFF, 0, 64, 0, 0, 0, 64}; // the sub window at x: one frame each
            link->resetReads(-2);
            outcome = link->runCommand(Rdx::PipWindowCommand, window, 9);
            written.append(link->lastSentFrame());
        }
        QLoggingCategory::setFilterRules(QString());
        link->setClock(nullptr);
        QCOMPARE(outcome, Rdx::Outcome::Failed);
        QCOMPARE(link->linkState, int(Rdx::Closed));
        QCOMPARE(link->takeFailure(), int(Rdx::SendFailed));
        QCOMPARE(link->takeFailure(), int(Rdx::Ready));
        link->resetReads(-2);
        QCOMPARE(link->runCommand(Rdx::PipWindowCommand, std::array<int, 9>{}.data(), 9), Rdx::Outcome::NotConnected);

        fx->sim->setFaults({});
        // The reset reached it, behind whatever it still held (which it may or may not get to run).
        QTRY_COMPARE(fx->sim->clientCount(), 0);
        const QVector<Rdx::Frame> received = fx->sim->received();
        QVERIFY(received.size() < written.size());
        QVERIFY(std::equal(received.begin(), received.end(), written.begin())); // in order, none made up
    }

private:
    bool openOn(Transport transport, const SimState& state = {})
    {
        fx = std::make_unique<SimLink>(transport);
        return fx->open(state) && link->linkState == Rdx::Opened;
    }
    void readStatus()
    {
        link->resetReads(-2);
        link->requestRead(Rdx::StatusRead);
        QTRY_VERIFY(link->pendingReadKeys().isEmpty());
    }
    // A set-command, then a PIP window read (key 6) and a status read (key 0) the device leaves unanswered:
    // the re-send timer runs.
    void startUnansweredStatusRead()
    {
        QVERIFY(openOn(Transport::Tcp));
        SimFaults silent;
        silent.silentKinds = {Rdx::StatusRead, Rdx::PipSubWindowRead};
        fx->sim->setFaults(silent);
        link->resetReads(-2);
        const int oneKey = 0;
        QCOMPARE(link->sendCommand(Rdx::SwitchModeCommand, &oneKey, 1), 1);
        link->requestRead(Rdx::PipSubWindowRead);
        link->requestRead(Rdx::StatusRead);
        QVERIFY(link->isReplyTimerActive());
    }

    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    std::unique_ptr<SimLink> fx;
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
