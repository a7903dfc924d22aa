#include "ShellProbe.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"

#include "shell/Form_display_page.h"
#include "shell/RDX480View.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

using ShellProbe::visiblePages;
using ShellProbe::writeIni;

namespace {
const QString errorTitle = QStringLiteral("Error Message");
const QString promptTitle = QStringLiteral("Prompt Message");
const QString errorTitleZh = QStringLiteral("错误信息");
const QString englishTitle = QStringLiteral("RDX480 Control SoftWare(V1.01)");
const QString prompt = QStringLiteral("Please connect before user.");
const QStringList navigationOnly{QStringLiteral("wid_for_navigation")};
} // namespace

// The main window and its page host against the link's signals and states, with no device attached.
class tst_RDX480View : public QObject
{
    Q_OBJECT

private:
    Singleton_SerialPort* link = nullptr;

    static void showWindow(RDX480View& window)
    {
        window.setLanguage(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

private slots:
    void initTestCase()
    {
        RDX480View::installFontFallback();
        link = Singleton_SerialPort::instance();
        QVERIFY(!link->isConnected());
    }
    void init()
    {
        QFile::remove(QStringLiteral("info.ini"));
        SimLink::resetLink();
    }

    // The settings file an earlier run left, with its quirks (an empty PORT is 7, a word is 0), reaches the link.
    void settingsReachTheLink_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QVariantList>("link");   // address, port, port name, device number, network, English
        const QString ip = QStringLiteral("192.168.1.8"), portName = QStringLiteral("COM3");
        // A first start names a Linux port and speaks the locale's language.
        QTest::newRow("no file") << QByteArray()
                                 << QVariantList{ip, 7, QStringLiteral("/dev/ttyUSB0"), 1, false,
                                                 QLocale().language() != QLocale::Chinese};
        QTest::newRow("all set")
            << QByteArray("IP=10.0.0.5\nPORT=5000\nPORTNAME=/dev/ttyUSB0\nID=3\nNETWORK=true\n"
                          "LANGUAGE=true\n")
            << QVariantList{QStringLiteral("10.0.0.5"), 5000, QStringLiteral("/dev/ttyUSB0"), 3, true, true};
        QTest::newRow("empty texts") << QByteArray("IP=\nPORT=\nPORTNAME=\nID=\nNETWORK=\nLANGUAGE=\n")
                                     << QVariantList{ip, 7, portName, 1, false, false};
        QTest::newRow("not numbers") << QByteArray("PORT=abc\nID=x1\n")
                                     << QVariantList{ip, 0, portName, 0, false, false};
    }
    void settingsReachTheLink()
    {
        QFETCH(QByteArray, contents);
        if (!contents.isEmpty())
            QVERIFY(writeIni(contents));
        RDX480View window;
        QTEST((QVariantList{link->hostAddress, link->tcpPort, link->serialPortName, link->deviceNumber,
                            link->useNetwork, window.windowTitle() == englishTitle}),
              "link");
    }

    // At exit all six keys are written from the link, the transport the Setting page chose included.
    void settingsWrittenAtExit()
    {
        {
            RDX480View window;
            link->useNetwork = true; // both unlike the defaults
            link->hostAddress = QStringLiteral("10.1.2.3");
            link->tcpPort = 5005;
            link->deviceNumber = 9;
            link->serialPortName = QStringLiteral("/dev/ttyUSB1");
            window.setLanguage(true);
        }
        QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QStringList stored;
        for (const QString& key : file.allKeys())
            stored << key + QLatin1Char('=') + file.value(key).toString();
        QCOMPARE(stored, (QStringList{QStringLiteral("ID=9"), QStringLiteral("IP=10.1.2.3"),
                                      QStringLiteral("LANGUAGE=true"), QStringLiteral("NETWORK=true"),
                                      QStringLiteral("PORT=5005"), QStringLiteral("PORTNAME=/dev/ttyUSB1")}));
    }

    void reactsToLinkStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("shown"); // title and text, empty: no message
        QTest::newRow("open failed en")
            << 2 << true
            << QStringList{errorTitle, QStringLiteral("Connection failed, check if the device or network is on")};
        QTest::newRow("open failed zh") << 2 << false
                                        << QStringList{errorTitleZh,
                                                       QStringLiteral("   连接失败！！请检查设备和网络配置。")};
        QTest::newRow("not connected en") << 5 << true << QStringList{promptTitle, prompt};
        for (int quiet : {0, 1, 4, 6, 9, 100, 101, 102, 103})
            QTest::addRow("state %d: nothing", quiet) << quiet << true << QStringList();
        QTest::newRow("error 4 en") << 104 << true << QStringList{errorTitle, QStringLiteral("command length error;")};
        QTest::newRow("error 255 en") << 355 << true << QStringList{errorTitle, QStringLiteral("device error 255;")};
        QTest::newRow("error 200 zh") << 300 << false << QStringList{errorTitleZh, QStringLiteral("   设备错误 200。")};
    }
    void reactsToLinkStates()
    {
        QFETCH(int, state);
        QFETCH(bool, english);
        QFETCH(QStringList, shown);
        RDX480View window;
        // Switched there and back: the texts must be those of the last language only, not appended to
        // or left over from an earlier one.
        window.setLanguage(!english);
        window.setLanguage(english);
        MessageLog log;
        link->reportFailure(state);
        emit link->sendEnd();
        emit link->sendEnd(); // a second sendEnd of the same exchange shows nothing more
        QCOMPARE(log.entries(), (shown.isEmpty() ? QVector<MessageLog::Entry>()
                                                 : QVector<MessageLog::Entry>{{shown.at(0), shown.at(1)}}));
    }

    // Without a connection the device pages stay closed with a prompt, the others open. A page exchange (-2)
    // and a schedule exchange (0) both put the overlay up, holding the mouse off the window until they end.
    void pagesWithoutConnection()
    {
        RDX480View window;
        showWindow(window);
        MessageLog log;
        for (const char* button : {"but_for_control", "but_for_mosaic"}) {
            QVERIFY(ShellProbe::click(window, QLatin1String(button)));
            QCOMPARE(visiblePages(window), navigationOnly);
        }
        QCOMPARE(log.entries(), (QVector<MessageLog::Entry>(2, {promptTitle, prompt})));
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_setting")));
        QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_setting")});
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        for (int order : {-2, 0}) {
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_home")));
            emit link->sendWaiting(order);
            QVERIFY(overlay->isVisible());
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_information")));
            QCOMPARE(visiblePages(window), navigationOnly);
            link->linkState = Rdx::Ready;
            emit link->sendEnd();
            QVERIFY(!overlay->isVisible());
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_information")));
            QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_information")});
        }
        QCOMPARE(log.count(), 2);
    }

    // The time-out ends an exchange that is still open, once; an exchange that finished first stopped it.
    void timeOutEndsOnlyAnUnfinishedExchange()
    {
        RDX480View window;
        window.setLanguage(true);
        MessageLog log;
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* timer = window.findChild<QTimer*>(QStringLiteral("waitTimer"));
        for (bool finished : {true, false}) {
            link->resetReads(-2);
            emit link->sendWaiting(-2);
            emit link->sendStarTime(100);
            QVERIFY(timer->isActive());
            if (finished)
                emit link->sendEnd();
            QTRY_VERIFY(!timer->isActive()); // no further message can follow
            QVERIFY(!overlay->isVisible());
        }
        QCOMPARE(log.entries(), (QVector<MessageLog::Entry>{{errorTitle, QStringLiteral("Out Time")}}));
        // The rest of the given-up exchange is not sent; the next one starts afresh.
        QCOMPARE(link->linkState, int(Rdx::Unanswered));
        QVERIFY(link->pendingReadKeys().isEmpty());
    }

    // The language buttons of the Setting page switch the window, the bar and every page at once.
    void languageSwitchReachesEveryPage()
    {
        RDX480View window;
        showWindow(window);
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_setting")));
        // Per part of the window, what it shows in Chinese and then in English: every part changes.
        QMap<QString, QStringList> shown[2];
        for (int english : {0, 1}) {
            auto* radio = window.findChild<QRadioButton*>(english ? QStringLiteral("radio_english")
                                                                  : QStringLiteral("radio_chinese"));
            QTest::mouseClick(radio, Qt::LeftButton, Qt::NoModifier, QPoint(8, radio->height() / 2));
            shown[english][QStringLiteral("title")] =
                QStringList{window.windowTitle(), window.findChild<QLabel*>(QStringLiteral("lab_for_title"))->text()};
            for (const char* page : {"wid_bar", "wid_for_control", "wid_for_setting", "wid_for_information"})
                for (QLabel* label : window.findChild<QWidget*>(QLatin1String(page))->findChildren<QLabel*>())
                    shown[english][QLatin1String(page)] << label->text();
        }
        QCOMPARE(shown[1][QStringLiteral("title")], (QStringList{englishTitle, QStringLiteral("Setting")}));
        for (const QString& part : shown[0].keys())
            QVERIFY2(shown[0][part] != shown[1][part], qPrintable(part));
    }

    // Window replies reach the Control page whichever page is current, a status reply only the current page,
    // and no other order touches the Control page.
    void hostRoutesRepliesToTheirPage_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("changed"); // index into the switch time, sub x, main x; -1: nothing changes
        const char* const pages[] = {"Navigation", "Control", "Mosaic", "Setting", "Information"};
        for (int current = 0; current < 5; ++current) {
            QTest::addRow("status, %s current", pages[current]) << current << 0 << (current == 1 ? 0 : -1);
            QTest::addRow("sub window, %s current", pages[current]) << current << 6 << 1;
            QTest::addRow("main window, %s current", pages[current]) << current << 7 << 2;
        }
        for (int order : {-1, 1, 5, 8, 9, 10, 11, 12, 13, 14, 255})
            QTest::addRow("order %d, Control current", order) << 1 << order << -1;
    }
    void hostRoutesRepliesToTheirPage()
    {
        QFETCH(int, current);
        QFETCH(int, order);
        QFETCH(int, changed);
        Form_display_page host;
        host.rsp_chage_page(current);
        auto controlValues = [&host] {
            return QVector<int>{host.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"))->currentIndex(),
                                host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x_2"))->value(),
                                host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x"))->value()};
        };
        CData& mirror = link->deviceState;
        mirror.pipOn = 1;
        mirror.switchTime = 2;
        const int sub[4] = {600, 400, 300, 200}, main[4] = {300, 600, 100, 400}; // x, w, y, h
        storeRecord(mirror.subWindow, sub);
        storeRecord(mirror.mainWindow, main);
        QVector<int> expected = controlValues();
        if (changed >= 0)
            expected[changed] = QVector<int>{2, 600, 300}.at(changed);
        host.rsp_update_Page(order);
        QCOMPARE(controlValues(), expected);
        QCOMPARE(host.page(), current);
        mirror.pipOn = 0;
    }
};

QTEST_MAIN(tst_RDX480View)
#include "tst_RDX480View.moc"
