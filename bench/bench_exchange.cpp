// Exchanges as the operator sees them: the real main window, offscreen, against the simulated device over
// loopback TCP and over its pseudo-terminal paced like a 9600 8N1 wire. Each figure stands beside a floor
// measured in the same run: a minimal blocking client that sends the very frames the panel sent (taken
// from the simulator's log), in the same order, to the same simulator, and reads each reply whole.
#include "BenchTable.h"
#include "FloorClient.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "pages/Page_Control.h"
#include "pages/Page_Montage.h"
#include "shell/RDX480View.h"
#include "sim/SimFixture.h"
#include "widgets/MessageBox.h"
#include "widgets/MyCanvasMes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using Frames = QVector<Rdx::Frame>;

QElapsedTimer benchClock;

qint64 nowNs()
{
    return benchClock.nsecsElapsed();
}

double msBetween(qint64 fromNs, qint64 toNs)
{
    return double(toNs - fromNs) / 1e6;
}

int runCount = 20;
bool paintCensus = false;

// Set while the window handles sendWaiting (shows the overlay and lets it be painted).
bool inWaitHandler = false;

// With --paint-census: which widgets were painted during the switch runs, and how often; those painted while
// the window showed its wait overlay are counted apart.
class PaintCensus : public QObject
{
public:
    QMap<QString, int> counts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QString name = QLatin1String(inWaitHandler ? "[overlay shown] " : "") +
                                 QString::fromLatin1(watched->metaObject()->className()) + QLatin1Char(' ') +
                                 watched->objectName();
            ++counts[name];
        }
        return false;
    }
};

// Runs the event loop until done() holds or timeoutMs pass; timestamps are taken by the callers' own
// handlers, so how this loop wakes adds nothing to a figure.
bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    QTimer wake;
    wake.start(20); // so an expired wait is noticed even when nothing else happens
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void settle(int ms)
{
    QElapsedTimer waited;
    waited.start();
    spinUntil([&] { return waited.elapsed() >= ms; }, ms + 100);
}

QString describe(const Frames& frames)
{
    QStringList parts;
    for (const Rdx::Frame& frame : frames)
        parts.append(Rdx::toHex(frame));
    return parts.join(QStringLiteral(" | "));
}

// Watches one exchange of the panel: decoded replies, and (for a switch) when the target button took the
// main style and when it was next painted.
class ExchangeWatch : public QObject
{
public:
    ExchangeWatch(Singleton_SerialPort* link, QWidget* overlayBox) : m_link(link), m_box(overlayBox)
    {
        m_box->installEventFilter(this);
        // The link's transports are its children; their bytesWritten tells when the first frame left.
        for (QIODevice* transport : link->findChildren<QIODevice*>())
            connect(transport, &QIODevice::bytesWritten, this, [this] {
                if (writtenNs < 0)
                    writtenNs = nowNs();
            });
        // Connected after the window's own handler: this runs once the overlay has been shown (and painted).
        connect(link, &Singleton_SerialPort::sendWaiting, this, [this](int) {
            if (handlerCalls++ == 0 && boxPaintedNs >= waitHandlerStartNs)
                ++boxPaintedInHandler;
            inWaitHandler = false;
            waitHandlerMs += msBetween(waitHandlerStartNs, nowNs());
        });
        connect(link, &Singleton_SerialPort::send_receive_end, this, [this](int) {
            ++m_decoded;
            if (m_decoded == 1)
                firstReplyNs = nowNs();
            if (m_expected > 0 && m_decoded >= m_expected && m_link->pendingReadKeys().isEmpty() && doneNs < 0)
                doneNs = nowNs();
        });
    }

    void arm(int expectedReplies, QPushButton* target = nullptr, const QString& style = QString())
    {
        disarm();
        m_expected = expectedReplies;
        m_target = target;
        m_style = style;
        if (m_target)
            m_target->installEventFilter(this);
    }

    // Until the last reply is decoded and, after it, `drawn` receives its paint event.
    void armDrawn(int expectedReplies, QWidget* drawn)
    {
        disarm();
        m_expected = expectedReplies;
        m_drawn = drawn;
        m_drawn->installEventFilter(this);
    }

    // Whether the overlay's box was painted inside the window's sendWaiting handler of the first frame.
    int boxPaintedInHandler = 0;
    int handlerCalls = 0;

    bool finished() const { return doneNs >= 0 && (!(m_target || m_drawn) || paintedNs >= 0); }

    qint64 writtenNs = -1;
    qint64 waitHandlerStartNs = -1;
    double waitHandlerMs = 0.0; // time spent in the window's sendWaiting handler
    qint64 firstReplyNs = -1;
    qint64 styledNs = -1;
    qint64 paintedNs = -1;
    qint64 doneNs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_box && event->type() == QEvent::Paint)
            boxPaintedNs = nowNs();
        if (watched == m_drawn && event->type() == QEvent::Paint && doneNs >= 0 && paintedNs < 0)
            paintedNs = nowNs();
        if (watched == m_target) {
            if (styledNs < 0 && (event->type() == QEvent::StyleChange || event->type() == QEvent::Paint) &&
                m_target->styleSheet() == m_style)
                styledNs = nowNs();
            if (event->type() == QEvent::Paint && styledNs >= 0 && paintedNs < 0)
                paintedNs = nowNs();
        }
        return false;
    }

private:
    void disarm()
    {
        if (m_target)
            m_target->removeEventFilter(this);
        if (m_drawn)
            m_drawn->removeEventFilter(this);
        m_target = nullptr;
        m_drawn = nullptr;
        m_decoded = 0;
        firstReplyNs = styledNs = paintedNs = doneNs = writtenNs = boxPaintedNs = -1;
        handlerCalls = boxPaintedInHandler = 0;
        waitHandlerMs = 0.0;
    }

    Singleton_SerialPort* m_link;
    QWidget* m_box = nullptr;
    qint64 boxPaintedNs = -1;
    int m_expected = 0;
    int m_decoded = 0;
    QPushButton* m_target = nullptr;
    QWidget* m_drawn = nullptr;
    QString m_style;
};

// The floor of a switch as the operator sees it: the same button, restyled the same way and repainted, alone
// in a bare window of the panel's size (no page around it, no wait overlay). Each run restyles it after the
// floor client's round trip and waits for its paint event.
class BareButtonWindow : public QObject
{
public:
    BareButtonWindow(const QPushButton* model, QString mainStyle, QString normalStyle)
        : m_button(new QPushButton(model->text(), &m_window)), m_mainStyle(std::move(mainStyle)),
          m_normalStyle(std::move(normalStyle))
    {
        m_window.setFixedSize(880, 600);
        m_button->setFont(model->font());
        m_button->setGeometry(model->geometry());
        m_button->setStyleSheet(m_normalStyle);
        m_button->installEventFilter(this);
    }

    bool show()
    {
        m_window.show();
        const bool exposed = QTest::qWaitForWindowExposed(&m_window);
        settle(50);
        return exposed;
    }

    // Restyles the button (main style and back, in turns, as the panel's buttons go) and waits until it
    // has been painted; returns the time of that paint event, or -1.
    qint64 restyleAndPaint()
    {
        m_blue = !m_blue;
        m_paintedNs = -1;
        m_button->setStyleSheet(m_blue ? m_mainStyle : m_normalStyle);
        spinUntil([this] { return m_paintedNs >= 0; }, 2000);
        return m_paintedNs;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_button && event->type() == QEvent::Paint && m_paintedNs < 0)
            m_paintedNs = nowNs();
        return false;
    }

private:
    QWidget m_window;
    QPushButton* m_button;
    QString m_mainStyle;
    QString m_normalStyle;
    bool m_blue = false;
    qint64 m_paintedNs = -1;
};

// Stamps the time of a widget's paint events.
class PaintStamp : public QObject
{
public:
    PaintStamp(QWidget* widget, qint64* stamp) : m_stamp(stamp) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && *m_stamp < 0)
            *m_stamp = nowNs();
        return false;
    }

private:
    qint64* m_stamp;
};

struct CaseResult
{
    Samples confirmed; // switch: click -> the new input's button painted blue
    Samples done;      // last reply decoded
    Samples written;   // switch: click -> the set-command written to the transport
    Samples waitShown; // switch: time in the window's sendWaiting handler (overlay shown and painted), both frames
    Samples decoded;   // switch: click -> the set-command's reply decoded
    Samples styled;    // switch: click -> the button given the main style
    int boxPaintedInHandler = 0; // switches whose overlay was painted before the set-command's wait
    QVector<Frames> sent;
};

class ExchangeBench
{
public:
    ExchangeBench() : m_sim(simOptions()) {}

    bool start()
    {
        MessageBox::setHandler([this](const QString& title, const QString& text) {
            m_messages.append(title + QStringLiteral(": ") + text);
        });
        if (!m_sim.start())
            return false;
        // Connected before the window's own handler, so it runs first.
        QObject::connect(m_link, &Singleton_SerialPort::sendWaiting, [this](int) {
            inWaitHandler = true;
            if (m_watch)
                m_watch->waitHandlerStartNs = nowNs();
        });
        m_window = std::make_unique<RDX480View>();
        m_window->setLanguage(true);
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            return false;
        m_page = m_window->findChild<Page_Control*>(QStringLiteral("wid_for_control"));
        m_mosaic = m_window->findChild<Page_Montage*>(QStringLiteral("wid_for_montage"));
        m_watch = std::make_unique<ExchangeWatch>(m_link, m_window->findChild<QWidget*>(QStringLiteral("wait_box")));
        return m_page && m_mosaic;
    }

    void runTransport(bool network)
    {
        const QString transport = network ? QStringLiteral("TCP") : QStringLiteral("serial, paced 9600 8N1");
        std::printf("\n-- %s --\n", qUtf8Printable(transport));
        if (!connectPanel(network)) {
            std::printf("the panel did not connect over %s; skipped\n", qUtf8Printable(transport));
            return;
        }
        const CaseResult switching = measureSwitch();
        const CaseResult control = measureRefresh(
            QStringLiteral("control"), [this] { m_page->refreshFromDevice(5000); }, 3);
        const CaseResult mosaic = measurePage(QStringLiteral("but_for_mosaic"), 6,
                                              m_mosaic->findChild<MyCanvasMes*>(QStringLiteral("widget_3")));
        const CaseResult setting = measurePage(QStringLiteral("but_for_setting"), 2, nullptr);
        const Samples silentGap = measureSilent(network);
        m_link->closeSerial();

        // The floors run with the panel's port closed: a pty has room for one reader.
        FloorClient client;
        const bool opened = network ? client.openTcp(m_sim.tcpPort()) : client.openSerial(m_sim.serialPath());
        if (!opened) {
            std::printf("floor client could not open the %s line: %s\n", qUtf8Printable(transport),
                        std::strerror(errno));
            return;
        }
        Samples floorFirst, floorSwitch, floorControl, floorMosaic;
        replay(client, switching.sent, &floorFirst, &floorSwitch);
        replay(client, control.sent, nullptr, &floorControl);
        replay(client, mosaic.sent, nullptr, &floorMosaic);
        Samples floorSetting;
        replay(client, setting.sent, nullptr, &floorSetting);
        const Samples floorRestyled = replayRestyled(client, switching.sent);

        // Over TCP the wire takes microseconds and a ratio against it says nothing; the fair floor adds what
        // any window pays to show the change: the same button restyled and repainted.
        const double wireTarget = network ? 0.0 : 1.15;
        BenchTable table(QStringLiteral("Exchanges over ") + transport);
        table.add(QStringLiteral("switch: click -> new input's button painted blue"), switching.confirmed,
                  QStringLiteral("set-command + its reply + the same button restyled and repainted in a bare window"),
                  floorRestyled, 1.5);
        table.add(QStringLiteral("switch: click -> new input's button painted blue"), switching.confirmed,
                  QStringLiteral("set-command + its reply"), floorFirst, wireTarget);
        table.add(QStringLiteral("switch: click -> status read answered (exchange over)"), switching.done,
                  QStringLiteral("set-command + reply, status read + reply"), floorSwitch, wireTarget);
        table.add(QStringLiteral("Control page refresh (reads 0, 6, 7)"), control.done,
                  QStringLiteral("the same 3 reads, one after the other"), floorControl, wireTarget);
        table.add(QStringLiteral("Mosaic page: click -> reads 0, 13, 11, 12, 9, 10 decoded, preview drawn"),
                  mosaic.done, QStringLiteral("the same 6 reads, one after the other"), floorMosaic, wireTarget);
        table.add(QStringLiteral("Setting page: click -> reads 0, 8 decoded"), setting.done,
                  QStringLiteral("the same 2 reads, one after the other"), floorSetting, wireTarget);
        Samples designWait;
        designWait.add(3.0 * Singleton_SerialPort::ReadWaitMs);
        table.add(QStringLiteral("silent device: longest event-loop stall in a Control refresh"), silentGap,
                  QStringLiteral("the design's waits, 3 reads x 400 ms"), designWait, 0.0);
        table.print();
        // A serial port reports its writes from the event loop, later than they happen: TCP only.
        if (network)
            std::printf("\nswitch: set-command written %.2f ms after the click", switching.written.median());
        std::printf("\nswitch, where the time goes (medians, ms from the click): set-command's reply decoded %.2f, "
                    "button restyled %.2f, painted %.2f, status read answered %.2f; of this, %.2f ms in the "
                    "window's sendWaiting handler (overlay shown and painted, replies decoded meanwhile)\n",
                    switching.decoded.median(), switching.styled.median(), switching.confirmed.median(),
                    switching.done.median(), switching.waitShown.median());
        std::printf("switch: the wait overlay was painted before the set-command's wait in %d of %d runs\n",
                    switching.boxPaintedInHandler, switching.confirmed.values.size());
        if (!switching.sent.isEmpty())
            std::printf("\nframes of one switch: %s\n", qUtf8Printable(describe(switching.sent.first())));
        if (!control.sent.isEmpty())
            std::printf("frames of one Control refresh: %s\n", qUtf8Printable(describe(control.sent.first())));
        if (!mosaic.sent.isEmpty())
            std::printf("frames of one mosaic refresh: %s\n", qUtf8Printable(describe(mosaic.sent.first())));
        if (!setting.sent.isEmpty())
            std::printf("frames of one Setting refresh: %s\n", qUtf8Printable(describe(setting.sent.first())));
    }

    QStringList messages() const { return m_messages; }

    // The wait overlay alone, with no exchange: the window shows it as for a send (and lets it be painted),
    // then it is hidden and what lay beneath repainted.
    void measureOverlay()
    {
        auto* overlay = m_window->findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* box = overlay->findChild<QWidget*>(QStringLiteral("wait_box"));
        Samples shown, hidden, boxPainted;
        int paintedLater = 0;
        PaintStamp stamp(box, &boxPaintedNs);
        PaintCensus census;
        for (int run = 0; run < runCount; ++run) {
            settle(20);
            if (paintCensus && run == 1)
                qApp->installEventFilter(&census);
            qint64 start = nowNs();
            boxPaintedNs = -1;
            m_window->rsp_showWait(-2);
            const qint64 returned = nowNs();
            shown.add(msBetween(start, returned));
            if (boxPaintedNs < 0) {
                ++paintedLater;
                spinUntil([this] { return boxPaintedNs >= 0; }, 1000);
            }
            boxPainted.add(msBetween(start, boxPaintedNs));
            if (paintCensus && run == 1) {
                qApp->removeEventFilter(&census);
                std::printf("paint events while the overlay is shown:\n");
                for (auto it = census.counts.cbegin(); it != census.counts.cend(); ++it)
                    std::printf("  %5d %s\n", it.value(), qUtf8Printable(it.key()));
            }
            settle(20);
            start = nowNs();
            overlay->hide();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            hidden.add(msBetween(start, nowNs()));
        }
        std::printf("\nwait overlay alone: rsp_showWait %s ms, box painted %s ms after (after rsp_showWait returned "
                    "in %d of %d runs), hidden and repainted beneath %s ms\n",
                    qUtf8Printable(shown.cell()), qUtf8Printable(boxPainted.cell()), paintedLater, runCount,
                    qUtf8Printable(hidden.cell()));
    }

private:
    static SimFixture::Options simOptions()
    {
        SimFixture::Options options;
        options.paced = true; // the serial line only; TCP is never paced
        return options;
    }

    bool connectPanel(bool network)
    {
        m_link->useNetwork = network;
        if (network)
            m_link->openSerial(QStringLiteral("127.0.0.1"), m_sim.tcpPort(), 1);
        else
            m_link->openSerial(m_sim.serialPath(), -1, 1);
        if (!m_link->isConnected())
            return false;
        // The operator opens the Control page; the host reads status and both PIP windows.
        auto* controlButton = m_window->findChild<QPushButton*>(QStringLiteral("but_for_control"));
        m_watch->arm(3);
        QTest::mouseClick(controlButton, Qt::LeftButton);
        const bool read = spinUntil([this] { return m_watch->doneNs >= 0; }, 5000);
        settle(50);
        const QPushButton* main = inputButton(m_link->deviceState.mainInput);
        m_mainStyle = main ? main->styleSheet() : QString();
        // The style most buttons share is the one a button leaves the main style for.
        QMap<QString, int> styles;
        for (int code = 0; code <= 7; ++code)
            ++styles[inputButton(code)->styleSheet()];
        m_normalStyle = std::max_element(styles.cbegin(), styles.cend()).key();
        return read && !m_mainStyle.isEmpty() && m_normalStyle != m_mainStyle;
    }

    QPushButton* inputButton(int code) const
    {
        static const char* const names[] = {"but_of_ext",  "but_of_div2", "but_of_dvi1", "but_of_hdm2",
                                            "but_of_hdm1", "but_of_vga",  "but_of_v2",   "but_of_v1"};
        if (code < 0 || code > 7)
            return nullptr;
        return m_page->findChild<QPushButton*>(QLatin1String(names[code]));
    }

    CaseResult measureSwitch()
    {
        CaseResult result;
        PaintCensus census;
        if (paintCensus)
            qApp->installEventFilter(&census);
        for (int run = 0; run < runCount; ++run) {
            // Back and forth between HDMI1 and VGA: different groups, so every click is a real switch.
            const int target = m_link->deviceState.mainInput == Rdx::VgaInput ? Rdx::Hdmi1Input : Rdx::VgaInput;
            QPushButton* button = inputButton(target);
            m_sim.clearReceived();
            m_watch->arm(2, button, m_mainStyle);
            const qint64 start = nowNs();
            QTest::mouseClick(button, Qt::LeftButton);
            if (!spinUntil([this] { return m_watch->finished(); }, 5000)) {
                std::printf("switch run %d did not finish\n", run);
                continue;
            }
            result.confirmed.add(msBetween(start, m_watch->paintedNs));
            result.decoded.add(msBetween(start, m_watch->firstReplyNs));
            result.written.add(msBetween(start, m_watch->writtenNs));
            result.waitShown.add(m_watch->waitHandlerMs);
            result.boxPaintedInHandler += m_watch->boxPaintedInHandler;
            result.styled.add(msBetween(start, m_watch->styledNs));
            result.done.add(msBetween(start, m_watch->doneNs));
            settle(30);
            result.sent.append(m_sim.received());
        }
        m_watch->arm(0);
        if (paintCensus) {
            qApp->removeEventFilter(&census);
            std::printf("paint events during %d switches:\n", runCount);
            for (auto it = census.counts.cbegin(); it != census.counts.cend(); ++it)
                std::printf("  %5d %s\n", it.value(), qUtf8Printable(it.key()));
        }
        return result;
    }

    CaseResult measureRefresh(const QString& name, const std::function<void()>& refresh, int replies)
    {
        CaseResult result;
        for (int run = 0; run < runCount; ++run) {
            m_sim.clearReceived();
            m_watch->arm(replies);
            const qint64 start = nowNs();
            refresh();
            if (!spinUntil([this] { return m_watch->doneNs >= 0; }, 5000)) {
                std::printf("%s refresh run %d did not finish\n", qUtf8Printable(name), run);
                continue;
            }
            result.done.add(msBetween(start, m_watch->doneNs));
            settle(30);
            result.sent.append(m_sim.received());
        }
        m_watch->arm(0);
        return result;
    }

    // The operator clicks a page button in the function bar (again): the page host shows the page and it
    // reads its kinds. Each run ends when the last reply is decoded and, when `drawn` is given, that widget
    // (redrawn by the last reply) has been painted.
    CaseResult measurePage(const QString& button, int replies, QWidget* drawn)
    {
        CaseResult result;
        auto* pageButton = m_window->findChild<QPushButton*>(button);
        for (int run = 0; run < runCount; ++run) {
            m_sim.clearReceived();
            if (drawn)
                m_watch->armDrawn(replies, drawn);
            else
                m_watch->arm(replies);
            const qint64 start = nowNs();
            QTest::mouseClick(pageButton, Qt::LeftButton);
            if (!spinUntil([this] { return m_watch->finished(); }, 5000)) {
                std::printf("%s run %d did not finish\n", qUtf8Printable(button), run);
                continue;
            }
            result.done.add(msBetween(start, drawn ? m_watch->paintedNs : m_watch->doneNs));
            settle(30);
            result.sent.append(m_sim.received());
        }
        m_watch->arm(0);
        // Back to the Control page for the figures that follow.
        m_watch->arm(3);
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("but_for_control")), Qt::LeftButton);
        spinUntil([this] { return m_watch->doneNs >= 0; }, 5000);
        settle(50);
        return result;
    }

    // A device that never answers: how long the event loop goes without a turn while the Control page
    // refreshes, seen by a 1 ms heartbeat.
    Samples measureSilent(bool network)
    {
        Samples longestGap, overlayPainted;
        SimFaults silent;
        silent.silentKinds = {Rdx::StatusRead, Rdx::PipSubWindowRead};
        m_sim.setFaults(silent);
        auto* waitTimer = m_window->findChild<QTimer*>(QStringLiteral("waitTimer"));
        const int runs = std::max(3, runCount / 4);
        for (int run = 0; run < runs; ++run) {
            qint64 last = nowNs();
            qint64 gap = 0;
            QTimer heartbeat;
            heartbeat.setTimerType(Qt::PreciseTimer);
            QObject::connect(&heartbeat, &QTimer::timeout, [&] {
                const qint64 now = nowNs();
                gap = std::max(gap, now - last);
                last = now;
            });
            heartbeat.start(1);
            settle(50);
            gap = 0;
            qint64 boxPainted = -1;
            PaintStamp stamp(m_window->findChild<QWidget*>(QStringLiteral("wait_box")), &boxPainted);
            const qint64 start = nowNs();
            m_page->refreshFromDevice(5000);
            // Painted before the first read's 400 ms wait, or only when a later read lets the event loop turn.
            overlayPainted.add(boxPainted < 0 ? -1.0 : msBetween(start, boxPainted));
            settle(100);
            heartbeat.stop();
            longestGap.add(double(gap) / 1e6);
            // End the exchange the way the window's time-out would, without waiting five seconds for it.
            if (waitTimer)
                waitTimer->stop();
            m_window->findChild<QWidget*>(QStringLiteral("wid_send_box"))->hide();
            m_link->resetReads(-2);
        }
        m_sim.setFaults({});
        settle(50);
        std::printf("\nsilent device: wait overlay painted %s ms after the refresh started (-1: not during it)\n",
                    qUtf8Printable(overlayPainted.cell()));
        Q_UNUSED(network)
        return longestGap;
    }

    // Each switch's set-command and its reply, then the bare window's button restyled and painted.
    Samples replayRestyled(FloorClient& client, const QVector<Frames>& runs)
    {
        Samples restyled;
        BareButtonWindow bare(inputButton(Rdx::VgaInput), m_mainStyle, m_normalStyle);
        if (!bare.show())
            return restyled;
        for (const Frames& frames : runs) {
            const qint64 start = nowNs();
            if (frames.isEmpty() || !client.exchange(frames.first())) {
                std::printf("floor client: no reply\n");
                continue;
            }
            const qint64 painted = bare.restyleAndPaint();
            if (painted >= 0)
                restyled.add(msBetween(start, painted));
        }
        return restyled;
    }

    static void replay(FloorClient& client, const QVector<Frames>& runs, Samples* first, Samples* all)
    {
        for (const Frames& frames : runs) {
            const qint64 start = nowNs();
            bool ok = true;
            for (int i = 0; i < frames.size() && ok; ++i) {
                ok = client.exchange(frames.at(i));
                if (ok && i == 0 && first)
                    first->add(msBetween(start, nowNs()));
            }
            if (ok)
                all->add(msBetween(start, nowNs()));
            else
                std::printf("floor client: no reply\n");
        }
    }

    qint64 boxPaintedNs = -1;
    SimFixture m_sim;
    Singleton_SerialPort* m_link = Singleton_SerialPort::instance();
    std::unique_ptr<RDX480View> m_window;
    Page_Control* m_page = nullptr;
    Page_Montage* m_mosaic = nullptr;
    std::unique_ptr<ExchangeWatch> m_watch;
    QString m_mainStyle;
    QString m_normalStyle;
    QStringList m_messages;
};

} // namespace

int main(int argc, char* argv[])
{
    useBenchEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    runCount = runsFrom(args, runCount);
    paintCensus = args.contains(QStringLiteral("--paint-census"));
    benchClock.start();

    // The window reads and writes ./info.ini: a folder of its own, pointing at loopback only.
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    QFile ini(QStringLiteral("info.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[General]\nIP=127.0.0.1\nPORT=7\nPORTNAME=none\nID=1\nNETWORK=true\nLANGUAGE=true\n");
    ini.close();

    RDX480View::installFontFallback();
    std::printf("exchange benchmarks: %d runs per figure, offscreen, Qt %s\n", runCount, qVersion());
    int status = 0;
    {
        ExchangeBench bench;
        if (!bench.start()) {
            std::printf("could not start the simulated device or the window\n");
            return 1;
        }
        bench.measureOverlay();
        if (!args.contains(QStringLiteral("--serial-only")))
            bench.runTransport(true);
        if (!args.contains(QStringLiteral("--tcp-only")))
            bench.runTransport(false);
        if (!bench.messages().isEmpty()) {
            std::printf("\nmessages shown during the runs (none expected):\n");
            for (const QString& message : bench.messages())
                std::printf("  %s\n", qUtf8Printable(message));
            status = 1;
        }
    }
    return status;
}
