#include "ShellProbe.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"

#include "shell/Form_display_page.h"
#include "shell/RDX480View.h"

#include <QtTest>

using namespace ShellProbe;

namespace {
const QString errorTitle = QStringLiteral("Error Message");
const QString promptTitle = QStringLiteral("Prompt Message");
const QString prompt = QStringLiteral("Please connect before user.");
const QStringList navigationOnly{QStringLiteral("wid_for_navigation")};
using Shown = QVector<MessageLog::Entry>;
} // namespace

// The main window and its page host against the link's signals and states, with no device attached.
class tst_RDX480View : public QObject
{
    Q_OBJECT

    Singleton_SerialPort* link = Singleton_SerialPort::instance();

private slots:
    void initTestCase() { RDX480View::installFontFallback(); }
    void init()
    {
        QFile::remove(QStringLiteral("info.ini"));
        SimLink::resetLink();
    }

    // The settings file an earlier run left, with its quirks (an empty value is the default, a word is 0), reaches
    // the link; at exit all six keys are written from the link, the transport the Setting page chose included.
    void settingsReadAndWritten_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QVariantList>("link"); // address, port, port name, device number, network, English
        const QString ip = QStringLiteral("192.168.1.8"), com3 = QStringLiteral("COM3");
        QTest::newRow("empty texts") << QByteArray("IP=\nPORT=\nPORTNAME=\nID=\nNETWORK=\nLANGUAGE=\n")
                                     << QVariantList{ip, 7, com3, 1, false, false};
        QTest::newRow("not numbers") << QByteArray("PORT=abc\nID=x1\n") << QVariantList{ip, 0, com3, 0, false, false};
        // Leading zeros are plain decimal: 010 is 10, not octal 8.
        QTest::newRow("leading zeros") << QByteArray("IP=127.000.000.010\n")
                                       << QVariantList{QStringLiteral("127.0.0.10"), 7, com3, 1, false, false};
    }
    void settingsReadAndWritten()
    {
        QFETCH(QByteArray, contents);
        QVERIFY(writeIni(contents));
        {
            RDX480View window;
            QTEST((QVariantList{link->hostAddress, link->tcpPort, link->serialPortName, link->deviceNumber,
                                link->useNetwork, window.windowTitle().startsWith(QLatin1String("RDX480 Control"))}),
                  "link");
            link->useNetwork = true; // all unlike what was read
            link->hostAddress = QStringLiteral("10.1.2.3");
            link->tcpPort = 5005;
            link->deviceNumber = 9;
            link->serialPortName = QStringLiteral("/dev/ttyUSB1");
            window.setLanguage(true);
        }
        QCOMPARE(readIni(), QByteArray("[General]\nID=9\nIP=10.1.2.3\nLANGUAGE=true\nNETWORK=true\nPORT=5005\n"
                                       "PORTNAME=/dev/ttyUSB1\n"));
    }

    // Values the link cannot use are named once, in the current language, and refused by Connect instead of
    // wrapping into another port or device; the Setting page shows them as stored, a language switch says
    // nothing more, and the file gets them back exactly as read. Unused on the serial line, they are not named.
    void unusableSettingsKeptAsRead_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("port and number too big")
            << QByteArray("IP=127.0.0.1\nPORT=70000\nID=300\nNETWORK=true\nLANGUAGE=true\n")
            << QStringList{QStringLiteral("PORT=70000"), QStringLiteral("ID=300")};
        QTest::newRow("no dotted quad") << QByteArray("IP=abc.def\nPORT=5000\nID=1\nNETWORK=true\nLANGUAGE=false\n")
                                        << QStringList{QStringLiteral("IP=abc.def")};
        QTest::newRow("leading zeros, kept as written")
            << QByteArray("IP=127.000.000.010\nPORT=5000\nID=1\nNETWORK=true\nLANGUAGE=true\n") << QStringList();
        QTest::newRow("unused on the serial line")
            << QByteArray("IP=abc.def\nPORT=70000\nID=1\nNETWORK=false\nLANGUAGE=true\n") << QStringList();
    }
    void unusableSettingsKeptAsRead()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, named);
        QVERIFY(writeIni(contents));
        MessageLog log;
        {
            RDX480View window;
            window.show();
            QTRY_COMPARE(log.count(), named.isEmpty() ? 0 : 1);
            QCoreApplication::processEvents();
            QCOMPARE(log.last().second.split(QLatin1Char('\n')).mid(1), named);
            if (!named.isEmpty())
                QCOMPARE(log.last().first, contents.contains("LANGUAGE=true") ? promptTitle : QStringLiteral("提示信息"));
            window.setLanguage(false);
            window.setLanguage(true);
            QCOMPARE(log.count(), named.isEmpty() ? 0 : 1);
            QStringList octets;
            for (auto* octet : window.findChild<QWidget*>(QStringLiteral("lineEdit_ip"))->findChildren<QLineEdit*>())
                octets << octet->text();
            QCOMPARE(octets.join(QLatin1Char('.')).left(link->hostAddress.size()), link->hostAddress);
            QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_of_id"))->value(), link->deviceNumber);
            if (!named.isEmpty()) {
                QVERIFY(click(window, QStringLiteral("connect_but")));
                QCOMPARE(log.count(), 2);
                QCOMPARE(log.last().second.split(QLatin1Char('\n')).mid(1), named); // not a failed connection
                QVERIFY(!link->isConnected());
            }
        }
        const QByteArray written = readIni();
        for (const QByteArray& line : contents.split('\n'))
            if (line.startsWith("IP") || line.startsWith("PORT") || line.startsWith("ID"))
                QVERIFY2(written.contains(line + '\n'), line.constData());
    }

    // Each state shows its one message in the language last chosen (switched there and back: nothing appended
    // to or left over from the other), however many sendEnd signals follow. A failed connection and the device's
    // named errors have their own tests: tst_OperatorMessages and tst_ShellSession.
    void reactsToLinkStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("english");
        QTest::addColumn<Shown>("shown");
        QTest::newRow("not connected") << 5 << true << Shown{{promptTitle, prompt}};
        for (int quiet : {0, 1, 4, 6, 9, 100, 101, 102, 103})
            QTest::addRow("state %d: nothing", quiet) << quiet << true << Shown();
        QTest::newRow("error 255") << 355 << true << Shown{{errorTitle, QStringLiteral("device error 255;")}};
        QTest::newRow("error 200 zh") << 300 << false
                                      << Shown{{QStringLiteral("错误信息"), QStringLiteral("   设备错误 200。")}};
    }
    void reactsToLinkStates()
    {
        QFETCH(int, state);
        QFETCH(bool, english);
        RDX480View window;
        window.setLanguage(!english);
        window.setLanguage(english);
        MessageLog log;
        link->reportFailure(state);
        emit link->sendEnd();
        emit link->sendEnd();
        QTEST(log.entries(), "shown");
    }

    // Without a connection the device pages stay closed with a prompt, the others open. A page exchange (-2)
    // and a schedule exchange (0) both put the overlay up, holding the mouse off the window until they end. One
    // that ended stopped its time-out; one still open is ended by it, once, and the rest of it is not sent.
    void exchangesHoldTheWindow()
    {
        RDX480View window;
        window.setLanguage(true);
        QVERIFY(showAndWait(window));
        MessageLog log;
        for (const char* button : {"but_for_control", "but_for_mosaic"})
            QCOMPARE(pagesAfter(window, QLatin1String(button)), navigationOnly);
        QCOMPARE(pagesAfter(window, QStringLiteral("but_for_setting")), QStringList{QStringLiteral("wid_for_setting")});
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* timer = window.findChild<QTimer*>(QStringLiteral("waitTimer"));
        for (const auto& [order, ends] : {std::pair(-2, true), std::pair(0, true), std::pair(-2, false)}) {
            QVERIFY(click(window, QStringLiteral("but_for_home")));
            link->resetReads(order);
            emit link->sendWaiting(order);
            emit link->sendStarTime(100);
            QVERIFY(overlay->isVisible() && timer->isActive());
            QCOMPARE(pagesAfter(window, QStringLiteral("but_for_information")), navigationOnly);
            link->linkState = Rdx::Ready;
            if (ends)
                emit link->sendEnd();
            QTRY_VERIFY(!timer->isActive()); // no further message can follow
            QVERIFY(!overlay->isVisible());
            QCOMPARE(pagesAfter(window, QStringLiteral("but_for_information")),
                     QStringList{QStringLiteral("wid_for_information")});
        }
        QCOMPARE(log.entries(),
                 (Shown{{promptTitle, prompt}, {promptTitle, prompt}, {errorTitle, QStringLiteral("Out Time")}}));
        QCOMPARE(link->linkState, int(Rdx::Unanswered));
        QVERIFY(link->pendingReadKeys().isEmpty());
    }

    // The language buttons of the Setting page switch every text of the window: labels, buttons, group boxes,
    // tabs, tool-box items, combo items, table headers and cells, the title. Only the input names, the wait
    // overlay and the Navigation page read the same in both. Every tool-box page fits the window in both
    // languages; with RDX480_SHOTS set, each page and tool-box page is saved there as a PNG.
    void languageSwitchReachesEveryText()
    {
        RDX480View window;
        window.setLanguage(true);
        QVERIFY(showAndWait(window));
        MessageLog log;
        link->deviceState.pipOn = 1; // the PIP page opens only then
        QVERIFY(click(window, QStringLiteral("but_for_setting")));
        const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
        const QRegularExpression letters(QStringLiteral("[A-Za-z\\x{4e00}-\\x{9fff}]"));
        // Input and output names, layouts, resolutions, switch times, group letters, port names, the version.
        const QRegularExpression same(QStringLiteral(
            "^(V[12]|VGA|HDMI?[12]|DVI[12]|EXI?T\\.|SDI|AUTO|TAKE|M[1-4]|Out[1-4]|[1-4]X[1-4]|\\d+x\\d+@\\d+Hz|[\\d.]+S|"
            "[A-D]|tty\\w+|RDX480|v\\d+\\(\\d+\\)|Language/语言|中文|English)$"));
        QStringList untranslated;
        for (int english : {0, 1}) {
            auto* radio = window.findChild<QRadioButton*>(english ? QStringLiteral("radio_english")
                                                                  : QStringLiteral("radio_chinese"));
            QTest::mouseClick(radio, Qt::LeftButton, Qt::NoModifier, QPoint(8, radio->height() / 2));
            QMultiMap<QString, QString> shown = texts(window);
            shown.insert(QStringLiteral("Yes"), QCoreApplication::translate("QPlatformTheme", "&Yes"));
            for (auto text = shown.cbegin(); text != shown.cend(); ++text)
                if (text->contains(letters) && !same.match(*text).hasMatch() && text->contains(chinese) == bool(english))
                    untranslated << text.key() + QLatin1String(": ") + *text;
            for (int page = 0; page < 5; ++page) {
                emit window.send_charge_page(page);
                for (QToolBox* box : window.findChildren<QToolBox*>())
                    for (int item = 0; box->isVisible() && item < box->count(); ++item) {
                        box->setCurrentIndex(item);
                        QVERIFY2(fits(box->widget(item)), qPrintable(box->itemText(item)));
                        saveShot(window, QStringLiteral("%1-%2-%3").arg(english).arg(page).arg(item));
                    }
                saveShot(window, QStringLiteral("%1-%2").arg(english).arg(page));
            }
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
    }

    // Window replies reach the Control page whichever page is current, a status reply only the current page;
    // each changes only its own values and leaves the page current.
    void hostRoutesRepliesToTheirPage()
    {
        CData& mirror = link->deviceState;
        QVector<int> seen, wanted; // per page and reply (status, sub window, main window): switch time, sub x, main x
        for (int current = 0; current < 5; ++current) { // Navigation, Control, Mosaic, Setting, Information
            Form_display_page host;
            host.rsp_chage_page(current);
            const auto shown = [&host] {
                return QVector<int>{host.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"))->currentIndex(),
                                    host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x_2"))->value(),
                                    host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x"))->value(), host.page()};
            };
            QVector<int> expected = shown();
            mirror.pipOn = 1;
            mirror.switchTime = 2;
            const int sub[4] = {600, 400, 300, 200}, main[4] = {300, 600, 100, 400}; // x, w, y, h
            storeRecord(mirror.subWindow, sub);
            storeRecord(mirror.mainWindow, main);
            for (int reply : {0, 1, 2}) {
                host.rsp_update_Page(QVector<int>{0, 6, 7}[reply]);
                expected[reply] = QVector<int>{current == 1 ? 2 : expected[0], 600, 300}[reply];
                seen << shown();
                wanted << expected;
            }
        }
        QCOMPARE(seen, wanted);
    }
};

QTEST_MAIN(tst_RDX480View)
#include "tst_RDX480View.moc"
