#include "cli/ScheduleCommands.h"
#include "schedule/TableModel.h"
#include "service/DeviceConnection.h"
#include "service/DeviceService.h"
#include "sim/SimFixture.h"
#include "tests/service/ServiceSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A frame written as its middle bytes: "01 05" is 91 01 01 05, zeros, 91 (device 1).
QString frame(const QString& middle)
{
    QStringList bytes = middle.split(QLatin1Char(' '));
    while (bytes.size() < 10)
        bytes.append(QStringLiteral("00"));
    return QStringLiteral("91 01 ") + bytes.join(QLatin1Char(' ')) + QStringLiteral(" 91");
}

const char* const status = "FE 00";

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// rdx480ctl as a script runs it, against the simulated device on loopback: the frames it sends, what it
// prints and the exit status.
class tst_rdx480ctl : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimFixture> sim;
    std::unique_ptr<QTemporaryDir> folder;

    // The device given, or with an empty one the folder's (its service or its info.ini). The event loop
    // runs meanwhile, for a service in this process.
    Run ctl(const QByteArray& line, QString device = QStringLiteral("tcp"))
    {
        QStringList args = QString::fromUtf8(line).split(QLatin1Char(' '));
        if (device == QLatin1String("tcp"))
            device = QStringLiteral("tcp:127.0.0.1:%1").arg(sim->tcpPort());
        if (!device.isEmpty())
            args = QStringList{QStringLiteral("--device"), device} + args;
        args = QStringList{QStringLiteral("--folder"), folder->path()} + args;
        QProcess process;
        process.start(QStringLiteral(RDX480CTL), args);
        if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 30000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList received() const
    {
        QStringList frames;
        for (const Rdx::Frame& f : sim->received())
            frames.append(Rdx::toHex(f));
        return frames;
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        sim = std::make_unique<SimFixture>();
        QVERIFY(sim->start());
    }

    // What is printed: the result on stdout, a failure on stderr. A usage error (exit 2) sends nothing when
    // the arguments alone are wrong, and only the status read when they do not fit the device's state.
    void commandFrames_data()
    {
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("pipOn");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");

        const auto row = [](const char* name, const char* args, int take, int pip,
                            std::initializer_list<const char*> frames, int exitCode, const char* printed) {
            QStringList middles;
            for (const char* f : frames)
                middles.append(frame(QString::fromUtf8(f)));
            QTest::newRow(name) << QByteArray(args) << take << pip << middles << exitCode << QString::fromUtf8(printed);
        };
        const auto usage = [&row](const char* name, const char* args) { row(name, args, 0, 0, {}, 2, ""); };
        row("status", "status", 0, 0, {status}, 0, "Main input:         HDMI1");
        row("switch", "switch VGA", 0, 0, {status, "01 05", status}, 0, "Main input:         VGA");
        row("switch by code", "switch 7", 0, 0, {status, "01 07", status}, 0, "Main input:         V1");
        row("switch to the shown input", "switch hdmi1", 0, 0, {status}, 0, "Main input:         HDMI1");
        row("preselect", "switch VGA", 1, 0, {status, "01 05", status}, 0, "Preselected input:  VGA");
        row("preselect and take", "switch VGA --take", 1, 0, {status, "01 05", status, "02 00", status}, 0,
            "Main input:         VGA");
        row("preselect in the main input's group", "switch DVI2", 1, 0, {status}, 2, "");
        row("switch under PIP", "switch V2", 0, 1, {status, "05 06", status}, 0, "PIP input:          V2");
        row("take", "take", 1, 0, {status, "02 00", status}, 0, "Main input:         V1");
        row("take in one key mode", "take", 0, 0, {status}, 2, "");
        row("refused, as JSON", "--json switch EXT.", 0, 0, {status, "01 00"}, 1,
            R"({"error":"no input card;","exitCode":1})");
        row("take mode", "take-mode pre-take", 0, 0, {"00 01", status}, 0, "Pre + TAKE Switch");
        row("switch time", "switch-time 1.5S", 0, 0, {"03 03", status}, 0, "Switch time:        1.5S");
        row("pip on", "pip on", 0, 0, {"04 01", status}, 0, "PIP:                On");
        row("pip model", "pip model M3", 0, 1, {"06 02", "FE 06 04", "FE 06 05"}, 0, "PIP main window:");
        row("pip window", "pip window main 300 1000 20 601", 0, 1,
            {status, "0E 01 01 2C 03 E8 00 14 02 5A", "FE 06 00", "FE 06 01"}, 0, "X 300  W 1000  Y 20  H 602");
        row("pip window past the output", "pip window sub 1900 100 0 100", 0, 1, {status}, 2, "");
        row("pip window with PIP off", "pip window sub 0 100 0 100", 0, 0, {status}, 2, "");
        row("format", "format 1024x768@60hz", 0, 0, {status, "1C 00", status}, 0, "Resolution:         1024x768@60Hz");
        row("format already set", "format 6", 0, 0, {status}, 0, "1920x1080@60Hz");
        row("audio", "audio VGA V1 EXT.", 0, 0, {"1D 05 07 00", status}, 0, "Audio 3:            EXT.");
        row("picture", "picture contrast 70", 0, 0, {"09 46", "FE 08"}, 0, "Contrast:           70");
        row("picture reset", "picture reset", 0, 0, {"08 32", "09 32", "0A 32", "FE 08"}, 0, "Color:              50");
        row("output brightness", "output-brightness 20", 0, 0, {"0B 14", "FE 08"}, 0, "Output brightness:  20");
        row("dvi hotplug", "dvi-hotplug off", 0, 0, {"1E 00", status}, 0, "DVI hotplug:        Close");
        row("mosaic port", "mosaic port Out2", 0, 0, {status, "11 01", "FE 0C 01", "FE 09 01", "FE 0A 01"}, 0,
            "Output port:        Out2");
        row("mosaic model", "mosaic model M2", 0, 0,
            {"10 01", status, "FE 0B 04", "FE 0C 04", "FE 0D 04", "FE 09 04", "FE 0A 04"}, 0, "Display model:      M2");
        row("mosaic layout with values", "mosaic layout 1X4 1920 270 270 270 270", 0, 0,
            {status, "14 04", "FE 0D", "FE 09", "FE 0A", "15 07 80 01 0E 01 0E 11 0E 0E", "FE 0D"}, 0,
            "Mosaic values:      1920 270 270 270 270");
        row("mosaic layout value past the output", "mosaic layout 1X2 1921 540 540", 0, 0, {status}, 2, "");
        row("mosaic led", "mosaic led 3840 1080", 0, 0, {status, "16 00 0F 00 04 38", "FE 0B"}, 0, "W 3840  H 1080");
        row("mosaic unit", "mosaic unit 0 1920 0 540", 0, 0, {status, "17 00 00 00 07 80 00 00 02 1C", "FE 0C"}, 0,
            "Unit window:        X 0  W 1920  Y 0  H 540");
        row("mosaic auto", "mosaic auto", 0, 0, {status, "18 00", "FE 09"}, 0, "Input window:");
        row("raw", "raw 91 01 FE 08 00 00 00 00 00 00 00 00 91", 0, 0, {"FE 08"}, 0, "reply: 91 01 00 08 32 32 32 20");
        row("reset", "reset", 0, 0, {"1A 00", status}, 0, "Main input:");
        usage("no such input", "switch HDMI3");
        usage("picture above 100", "picture brightness 101");
        usage("one source twice", "audio V1 V1 VGA");
        usage("format 4", "format 4");
        usage("layout value count", "mosaic layout 2X2 1 2 3");
        usage("raw without markers", "raw 00 01 FE 00 00 00 00 00 00 00 00 00 91");
        usage("raw too short", "raw 91 01 FE 91");
        usage("unknown command", "swtich VGA");
        usage("unknown option", "status --bogus");
    }

    void commandFrames()
    {
        QFETCH(QByteArray, args);
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        SimState state;
        state.takeMode = takeMode;
        state.pipOn = pipOn;
        sim->setState(state);
        QFETCH(QStringList, frames);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        const Run run = ctl(args);
        QCOMPARE(received(), frames);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
        // A result on stdout, or a reason on stderr, never both.
        QCOMPARE(run.out.isEmpty(), exitCode != 0);
        QCOMPARE(run.err.isEmpty(), exitCode == 0);
        QVERIFY2((exitCode ? run.err : run.out).contains(printed), qPrintable(run.out + run.err));
    }

    void unansweredIsThree()
    {
        SimFaults faults;
        faults.silentCodes.insert(Rdx::PipSwitchCommand);
        sim->setFaults(faults);
        QCOMPARE(ctl("--timeout 300 pip on").exitCode, 3);
        QCOMPARE(received(), QStringList{frame(QStringLiteral("04 01"))});
    }

    void unreachableIsFour()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString tcp = QStringLiteral("tcp:127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        const QString serial = QStringLiteral("serial:%1/no-such-tty").arg(folder->path());
        for (const auto& [device, reason] : {std::pair(tcp, "cannot reach"), std::pair(serial, "No such file")}) {
            const Run run = ctl("status", device);
            QVERIFY2(run.exitCode == 4 && run.err.contains(QLatin1String(reason)), qPrintable(run.err));
        }
    }

    void jsonParsesBack()
    {
        const Run run = ctl("--json status --all");
        QCOMPARE(run.exitCode, 0);
        const QJsonObject device = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(device.value(QStringLiteral("mainInput")).toInt(), 4);
        QCOMPARE(device.value(QStringLiteral("mainInputName")).toString(), QStringLiteral("HDMI1"));
        QCOMPARE(device.value(QStringLiteral("subWindow")).toObject().value(QStringLiteral("x")).toInt(), 1280);
        QCOMPARE(device.value(QStringLiteral("ledTotal")).toObject().value(QStringLiteral("w")).toInt(), 3840);

        // Scripts depend on these names: the manual page lists them.
        QStringList names = QStringLiteral("brightness contrast color outputBrightness subWindow mainWindow unitWindow "
                                           "inputWindow outputWindow ledTotal fastValues")
                                .split(QLatin1Char(' '));
        for (const QString& code : QStringLiteral("mainInput presetInput pipInput takeMode switchTime pipOn pipModel "
                                                  "outputFormat audio1Source audio2Source audio3Source dviHotplug "
                                                  "extInputMode showModel outputPort fastLayout")
                                       .split(QLatin1Char(' ')))
            names << code << code + QLatin1String("Name");
        names.sort();
        QCOMPARE(device.keys(), names);
    }

    void overThePacedSerialLine()
    {
        SimFixture::Options options;
        options.paced = true;
        sim = std::make_unique<SimFixture>(options);
        QVERIFY(sim->start());
        const Run run = ctl("switch VGA", QStringLiteral("serial:") + sim->serialPath());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString read = frame(QString::fromUtf8(status));
        QCOMPARE(received(), (QStringList{read, frame(QStringLiteral("01 05")), read}));
    }

    void throughTheService()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QVERIFY(writeFile(folder->filePath(QStringLiteral("info.ini")), tcpSettings(sim->tcpPort())));
        auto service = std::make_unique<DeviceService>(DeviceService::Options{folder->path(), false});
        QString error;
        QVERIFY2(service->start(&error), qPrintable(error));
        QVERIFY(QTest::qWaitFor([&] { return service->device()->isUp(); }, 3000));

        Run run = ctl("switch VGA", QString());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("Main input:         VGA"))); // as the device read back

        sim.reset(); // the device goes away: the service has none to offer
        run = ctl("status", QString());
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains(QStringLiteral("service")), qPrintable(run.err));
        qunsetenv("XDG_RUNTIME_DIR");
    }

    // The panel's model reads what rdx480ctl wrote, and writes the same bytes back.
    void scheduleRoundTrips()
    {
        QCOMPARE(ctl("schedule add 08:30 HDMI1 Mon-Fri").exitCode, 0);
        QCOMPARE(ctl("schedule add 09:00 V2 daily --once").exitCode, 0);
        Run run = ctl("schedule add 07:00 V1 Sat-Mon --once --inactive");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("  1  07:00  V1     Mon,Sat,Sun      once    inactive\n"
                                         "  2  08:30  HDMI1  Mon-Fri          repeat  active\n"
                                         "  3  09:00  V2     daily            once    active\n"));
        const QString path = folder->filePath(QStringLiteral("time.t"));
        const auto contents = [&path] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray written = contents();

        // The fields in their places; the rows all there, or the save would differ.
        TableModel model;
        model.load(path);
        QCOMPARE(model.timeAt(1), QTime(8, 30));
        QCOMPARE(model.signalAt(1), 4);
        QVERIFY(!model.isActiveAt(0));
        model.save();
        QCOMPARE(contents(), written);

        // Across days: the one-shot entry once, not the inactive one, nor a minute already passed.
        ScheduleCommands::Request request;
        request.folder = folder->path();
        request.args = QStringList{QStringLiteral("next"), QStringLiteral("4")};
        request.now = QDateTime(QDate(2026, 12, 4), QTime(8, 45)); // a Friday, after 08:30
        const ScheduleCommands::Result result = ScheduleCommands::run(request);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.text, QStringLiteral("2026-12-04 Fri 09:00  V2  (row 3)\n"
                                             "2026-12-07 Mon 08:30  HDMI1  (row 2)\n"
                                             "2026-12-08 Tue 08:30  HDMI1  (row 2)\n"
                                             "2026-12-09 Wed 08:30  HDMI1  (row 2)\n"));

        QCOMPARE(ctl("schedule remove 4").exitCode, 2);
        run = ctl("--json schedule disable 2");
        QCOMPARE(run.exitCode, 0);
        const QJsonArray entries =
            QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("entries")).toArray();
        QCOMPARE(entries.at(1).toObject().value(QStringLiteral("active")).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_rdx480ctl)
#include "tst_rdx480ctl.moc"
