#include "ServiceSupport.h"
#include "tests/support/MessageLog.h"

#include "link/Singleton_SerialPort.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TimeFile.h"
#include "schedule/myTimer.h"
#include "shell/RDX480View.h"
#include "sim/SimFixture.h"
#include "widgets/MyCircleButton.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The panel beside a running rdx480d for its folder (the working folder): it reaches the device through the
// service and leaves the schedule to it.
class tst_ServicePanel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<RDX480View> m_window;
    MessageLog m_log;

    void startService(const QDateTime& clockFrom = QDateTime())
    {
        m_service = std::make_unique<QProcess>();
        m_service->setProcessChannelMode(QProcess::MergedChannels);
        if (clockFrom.isValid())
            qputenv("RDX480D_SCHEDULE_CLOCK_FROM", clockFrom.toString(Qt::ISODateWithMs).toUtf8());
        m_service->start(QStringLiteral(RDX480D_PROGRAM), {QStringLiteral("--folder"), QDir::currentPath()});
        qunsetenv("RDX480D_SCHEDULE_CLOCK_FROM");
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += m_service->readAll()).contains("device link up"), 5000);
    }

    // Connects with the window's button and opens Control: the frames the device saw.
    void openControl(QVector<Rdx::Frame>* seen)
    {
        m_window = std::make_unique<RDX480View>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_sim->clearReceived();
        Singleton_SerialPort* link = Singleton_SerialPort::instance();
        QTest::mouseClick(m_window->findChild<MyCircleButton*>(QStringLiteral("connect_but")), Qt::LeftButton);
        QTRY_VERIFY(link->isConnected());
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("but_for_control")), Qt::LeftButton);
        auto* overlay = m_window->findChild<QWidget*>(QStringLiteral("wid_send_box"));
        QTRY_VERIFY_WITH_TIMEOUT(!overlay->isVisible() && !link->isExchanging() && !link->isReplyTimerActive(), 10000);
        *seen = m_sim->received();
    }

private slots:
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
        QFile::remove(QStringLiteral("time.t"));
        QFile::remove(QStringLiteral("time.t.state"));
        m_sim = std::make_unique<SimFixture>();
        QVERIFY(m_sim->start());
        QVERIFY(writeFile(QStringLiteral("info.ini"),
                          tcpSettings(m_sim->tcpPort()) + "LANGUAGE=true\n[Service]\nCATCHUP=none\n"));
    }

    void cleanup()
    {
        m_window.reset();
        Singleton_SerialPort* link = Singleton_SerialPort::instance();
        link->closeSerial();
        link->localServerPath.clear();
        link->takeFailure();
        if (m_service) {
            m_service->terminate();
            QVERIFY(m_service->waitForFinished(10000));
            m_service.reset();
        }
        m_sim.reset();
        ScheduleClock::useWallClock();
        QCOMPARE(m_log.count(), 0);
    }

    void controlOpensWithTheSameFramesThroughTheService()
    {
        QVector<Rdx::Frame> direct, through;
        openControl(&direct);
        QVERIFY(!direct.isEmpty());
        m_window.reset();
        Singleton_SerialPort::instance()->closeSerial();

        startService();
        openControl(&through);
        QVERIFY(!Singleton_SerialPort::instance()->localServerPath.isEmpty());
        QCOMPARE(through, direct);

        // The Setting page's OK, through the service: info.ini takes the new device at once, for the service.
        SimFixture other;
        QVERIFY(other.start());
        Singleton_SerialPort::instance()->openSerial(QStringLiteral("127.0.0.1"), other.tcpPort(), 1);
        QSettings written(QStringLiteral("info.ini"), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("PORT")).toInt(), int(other.tcpPort()));
    }

    void timerPageAndServiceFireAnEntryOnce()
    {
        TimeItems items;
        items.push_back(std::make_unique<MyTimeItem>(QTime(10, 1), int(Rdx::Dvi2Input), 0x7F, 1, 1));
        QString error;
        QVERIFY2(TimeFile::save(QStringLiteral("time.t"), items, &error), qPrintable(error));

        // Both clocks a moment before the entry's minute.
        const QDateTime before(QDate::currentDate(), QTime(10, 0, 58, 500));
        ScheduleClock::runFrom(before);
        startService(before);
        m_window = std::make_unique<RDX480View>();
        auto* page = m_window->findChild<myTimer*>();
        QVERIFY(page->isServiceFiring());
        QSignalSpy elsewhere(page, &myTimer::send_firedElsewhere);
        QTRY_COMPARE_WITH_TIMEOUT(elsewhere.count(), 1, 6000);
        QCOMPARE(m_sim->state().mainInput, int(Rdx::Dvi2Input));
        // Switched once, the status read first: PIP and the switch mode decide the command.
        const QVector<int> codes = frameCodes(m_sim->received());
        QCOMPARE(codes.count(Rdx::SwitchInputCommand), 1);
        QCOMPARE(codes.mid(0, 2), (QVector<int>{Rdx::ReadRequestCode, Rdx::SwitchInputCommand}));
    }
};

QTEST_MAIN(tst_ServicePanel)
#include "tst_ServicePanel.moc"
