#include "cli/CtlRunner.h"

#include "Version.h"
#include "cli/CtlNames.h"
#include "cli/DeviceReport.h"
#include "cli/ScheduleCommands.h"
#include "link/Logging.h"
#include "link/Singleton_SerialPort.h"
#include "service/ServiceLocator.h"
#include "shell/QuitOnSignal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace Ctl {

namespace {

QtMessageHandler& previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

bool& verboseLink()
{
    static bool verbose = false;
    return verbose;
}

// The link's warnings repeat what the one error line of a run says; they reach stderr only with --verbose.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool fromLink = context.category && QLatin1String(context.category).startsWith(QLatin1String("rdx480"));
    if ((!fromLink || verboseLink()) && previousHandler())
        previousHandler()(type, context, message);
}

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/rdx480");
}

// Names every exit code a script can branch on; shared by --help and the manual page's text.
const char* exitCodesText = "Exit status:\n"
                            "  0  accepted: the device answered every frame\n"
                            "  1  refused: the device answered with an error (its text on stderr)\n"
                            "  2  usage error: bad arguments or a value the device's state rules out;\n"
                            "     nothing (more) was sent\n"
                            "  3  no reply within the timeout\n"
                            "  4  the device or service could not be reached or opened, or no device is set up\n";

} // namespace

QString Target::describe() const
{
    if (!socketPath.isEmpty())
        return QStringLiteral("the service at %1").arg(socketPath);
    return network ? QStringLiteral("tcp:%1:%2").arg(host).arg(port) : QStringLiteral("serial:%1").arg(serialPath);
}

QString helpText()
{
    return QStringLiteral(
               "Usage: rdx480ctl [options] COMMAND [ARGS]\n"
               "Controls an RDX480 video processor from a shell, a script or cron.\n"
               "\n"
               "Options:\n"
               "  --device tcp:HOST:PORT | serial:PATH   the device to talk to (default: the device in\n"
               "                          info.ini of the folder, as the panel last connected)\n"
               "  --id N                  device number 0..255 (default: ID of info.ini, else 1)\n"
               "  --folder DIR            the panel's folder with info.ini and time.t (default %1)\n"
               "  --timeout MS            wait for each reply (default %2)\n"
               "  --json                  results as one JSON object on stdout, errors as one on stderr\n"
               "  --quiet                 print no result, only errors\n"
               "  --verbose               the link's diagnostics on stderr\n"
               "  -h, --help, --version\n"
               "\n"
               "Device commands (each prints the device's state after it):\n"
               "  status [--all]          inputs, switch and PIP state, format, audio, DVI, model, port;\n"
               "                          --all adds picture values, PIP windows and the mosaic\n"
               "  switch INPUT [--take]   INPUT: EXT. DVI2 DVI1 HDMI2 HDMI1 VGA V2 V1 or 0..7; in Pre + TAKE\n"
               "                          mode it preselects, --take then puts it on the output\n"
               "  take                    puts the preselected input on the output\n"
               "  take-mode one-key|pre-take\n"
               "  switch-time 0S|0.5S|1S|1.5S (or 0..3)\n"
               "  pip on|off | pip input INPUT | pip model M1..M4 | pip window main|sub X W Y H\n"
               "  format CODE|TEXT        e.g. 1920x1080@60Hz\n"
               "  audio SRC1 SRC2 SRC3    three different inputs\n"
               "  picture brightness|contrast|colour 0..100 | picture reset\n"
               "  output-brightness 0..32\n"
               "  dvi-hotplug on|off\n"
               "  reset\n"
               "  mosaic model M1..M4 | port Out1..Out4 | layout 1X2|2X1|1X3|3X1|1X4|4X1|2X2 [VALUES...]\n"
               "         | led W H | unit X W Y H | auto [fast1|fast2]\n"
               "  raw HEX...              one 13-byte frame as typed; prints the reply\n"
               "  watch [--interval S]    prints the status at every change until interrupted\n"
               "\n"
               "Schedule commands (time.t of the folder; the panel and the service pick changes up):\n"
               "  schedule list | next [N] | add HH:MM INPUT DAYS [--once] [--inactive]\n"
               "           | remove ROW | enable ROW | disable ROW\n"
               "  DAYS: daily, or days and ranges such as Mon-Fri or Mon,Wed,Sat-Sun\n"
               "\n")
               .arg(QDir::toNativeSeparators(userFolder()))
               .arg(Singleton_SerialPort::CommandDeadlineMs) +
           QLatin1String(exitCodesText);
}

std::optional<Options> parseArguments(const QStringList& arguments, int* exitCode)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("where"));
    const QCommandLineOption id(QStringLiteral("id"), QString(), QStringLiteral("n"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("dir"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("ms"));
    const QCommandLineOption json(QStringLiteral("json"), QString());
    const QCommandLineOption quiet(QStringLiteral("quiet"), QString());
    const QCommandLineOption verbose(QStringLiteral("verbose"), QString());
    const QCommandLineOption take(QStringLiteral("take"), QString());
    const QCommandLineOption all(QStringLiteral("all"), QString());
    const QCommandLineOption once(QStringLiteral("once"), QString());
    const QCommandLineOption inactive(QStringLiteral("inactive"), QString());
    const QCommandLineOption interval(QStringLiteral("interval"), QString(), QStringLiteral("s"));
    parser.addOptions(
        {help, version, device, id, folder, timeout, json, quiet, verbose, take, all, once, inactive, interval});

    Options options;
    const bool jsonWanted = arguments.contains(QStringLiteral("--json"));
    const auto usage = [&](const QString& text) -> std::optional<Options> {
        if (jsonWanted) {
            const QJsonObject error{{QStringLiteral("exitCode"), ExitUsage}, {QStringLiteral("error"), text}};
            write(stderr, QString::fromUtf8(QJsonDocument(error).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
        } else {
            write(stderr, QStringLiteral("rdx480ctl: %1 (see rdx480ctl --help)\n").arg(text));
        }
        *exitCode = ExitUsage;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        write(stdout, helpText());
        *exitCode = ExitAccepted;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        write(stdout, QStringLiteral("rdx480ctl %1\n").arg(QLatin1String(RDX480_VERSION)));
        *exitCode = ExitAccepted;
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("no command given"));
    options.command = positional.first();
    options.args = positional.mid(1);
    options.device = parser.value(device);
    options.folder = parser.isSet(folder) ? parser.value(folder) : userFolder();
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.verbose = parser.isSet(verbose);
    options.take = parser.isSet(take);
    options.all = parser.isSet(all);
    options.once = parser.isSet(once);
    options.inactive = parser.isSet(inactive);
    options.timeoutMs = Singleton_SerialPort::CommandDeadlineMs;
    bool ok = true;
    if (parser.isSet(id) && !CtlNames::parseInt(parser.value(id), 0, 255, &options.id))
        return usage(QStringLiteral("--id takes a device number from 0 to 255"));
    if (parser.isSet(timeout) && !CtlNames::parseInt(parser.value(timeout), 1, 600000, &options.timeoutMs))
        return usage(QStringLiteral("--timeout takes milliseconds from 1 to 600000"));
    if (parser.isSet(interval)) {
        options.intervalS = parser.value(interval).toDouble(&ok);
        if (!ok || options.intervalS < 0.1 || options.intervalS > 86400)
            return usage(QStringLiteral("--interval takes seconds from 0.1 to 86400"));
    }
    return options;
}

Rdx::Frame readFrame(int deviceNumber, const Rdx::ReadAddress& address)
{
    Rdx::Frame frame = Rdx::emptyFrame();
    frame[1] = std::uint8_t(deviceNumber);
    frame[2] = Rdx::ReadRequestCode;
    frame[3] = std::uint8_t(address.kind);
    frame[4] = std::uint8_t(address.index);
    return frame;
}

Rdx::Frame commandFrame(const Rdx::Frame& previous, int deviceNumber, int code, const QVector<int>& params)
{
    Rdx::Frame frame = previous;
    frame[0] = Rdx::FrameMarker;
    frame[12] = Rdx::FrameMarker;
    frame[1] = std::uint8_t(deviceNumber);
    frame[2] = std::uint8_t(code);
    for (int i = 0; i < std::min<int>(params.size(), Rdx::ParameterCount); ++i)
        frame[size_t(3 + i)] = std::uint8_t(params[i]);
    return frame;
}

bool parseFrame(const QStringList& words, Rdx::Frame* frame)
{
    QString digits = words.join(QString());
    digits.remove(QLatin1Char(':'));
    digits.remove(QStringLiteral("0x"), Qt::CaseInsensitive);
    digits.remove(QLatin1Char(','));
    if (digits.size() != 2 * Rdx::FrameSize)
        return false;
    for (int i = 0; i < Rdx::FrameSize; ++i) {
        bool ok = false;
        const uint value = digits.midRef(2 * i, 2).toUInt(&ok, 16);
        if (!ok)
            return false;
        (*frame)[size_t(i)] = std::uint8_t(value);
    }
    return true;
}

Runner::Runner(Options options, std::FILE* out, std::FILE* err) : m_options(std::move(options)), m_out(out), m_err(err)
{
}

int Runner::fail(int exitCode, const QString& message)
{
    if (m_options.json) {
        const QJsonObject error{{QStringLiteral("exitCode"), exitCode}, {QStringLiteral("error"), message}};
        write(m_err, QString::fromUtf8(QJsonDocument(error).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else {
        write(m_err, QStringLiteral("rdx480ctl: %1\n").arg(message));
    }
    return exitCode;
}

void Runner::printResult(const QJsonObject& object, const QString& text)
{
    if (m_options.quiet)
        return;
    if (m_options.json)
        write(m_out, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    else
        write(m_out, text);
}

void Runner::printState()
{
    printResult(DeviceReport::json(m_link->deviceState, m_link->fastValues, m_kindsRead),
                DeviceReport::text(m_link->deviceState, m_link->fastValues, m_kindsRead));
}

int Runner::run()
{
    verboseLink() = m_options.verbose;
    if (m_options.verbose)
        QLoggingCategory::setFilterRules(Rdx::logFilterRules(true));
    previousHandler() = qInstallMessageHandler(messageHandler);
    if (m_options.command == QLatin1String("schedule"))
        return runSchedule();
    return runDevice();
}

int Runner::runSchedule()
{
    ScheduleCommands::Request request;
    request.folder = m_options.folder;
    request.args = m_options.args;
    request.once = m_options.once;
    request.inactive = m_options.inactive;
    request.now = QDateTime::currentDateTime();
    const ScheduleCommands::Result result = ScheduleCommands::run(request);
    if (result.exitCode != ExitAccepted)
        return fail(result.exitCode, result.error);
    printResult(result.json, result.text);
    return ExitAccepted;
}

std::optional<Target> Runner::resolveTarget(int* exitCode)
{
    Target target;
    const QString& named = m_options.device;
    if (!named.isEmpty()) {
        if (named.startsWith(QLatin1String("tcp:"))) {
            const QString rest = named.mid(4);
            const int colon = rest.lastIndexOf(QLatin1Char(':'));
            target.network = true;
            target.host = rest.left(colon);
            if (target.host.startsWith(QLatin1Char('[')) && target.host.endsWith(QLatin1Char(']')))
                target.host = target.host.mid(1, target.host.size() - 2);
            if (colon <= 0 || !CtlNames::parseInt(rest.mid(colon + 1), 1, 65535, &target.port)) {
                *exitCode = fail(ExitUsage, QStringLiteral("--device tcp: takes HOST:PORT, port 1..65535"));
                return std::nullopt;
            }
        } else if (named.startsWith(QLatin1String("serial:")) && named.size() > 7) {
            target.serialPath = named.mid(7);
        } else {
            *exitCode = fail(ExitUsage, QStringLiteral("--device takes tcp:HOST:PORT or serial:PATH"));
            return std::nullopt;
        }
        target.id = m_options.id >= 0 ? m_options.id : 1;
        return target;
    }
    // As the panel last connected: the same keys and defaults as its settings file.
    const QString path = QDir(m_options.folder).filePath(QStringLiteral("info.ini"));
    qint64 servicePid = 0;
    if (ServiceLocator::isRunning(m_options.folder, &servicePid)) {
        // The service holds the device: its frames go through it, with the device number it uses.
        target.socketPath = ServiceLocator::socketPath(m_options.folder);
        target.servicePid = servicePid;
        const QSettings file(path, QSettings::IniFormat);
        const QString id = file.value(QStringLiteral("ID")).toString();
        target.id = m_options.id >= 0 ? m_options.id : (id.isEmpty() ? 1 : id.toInt());
        return target;
    }
    if (!QFileInfo::exists(path)) {
        *exitCode = fail(ExitUnreachable, QStringLiteral("no device set up: %1 does not exist; give --device "
                                                         "tcp:HOST:PORT or serial:PATH, or --folder of the panel")
                                              .arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    const QSettings file(path, QSettings::IniFormat);
    const auto number = [&file](const QString& key, int fallback) {
        const QString text = file.value(key).toString();
        return text.isEmpty() ? fallback : text.toInt();
    };
    target.network = file.value(QStringLiteral("NETWORK"), false).toBool();
    target.host = file.value(QStringLiteral("IP"), QStringLiteral("192.168.1.8")).toString();
    target.port = number(QStringLiteral("PORT"), 7);
    target.serialPath = file.value(QStringLiteral("PORTNAME"), QStringLiteral("COM3")).toString();
    target.id = m_options.id >= 0 ? m_options.id : number(QStringLiteral("ID"), 1);
    return target;
}

int Runner::open(const Target& target)
{
    m_link = Singleton_SerialPort::instance();
    m_target = target;
    if (!target.socketPath.isEmpty()) {
        m_link->openLocal(target.socketPath, target.id);
    } else {
        m_link->useNetwork = target.network;
        if (target.network)
            m_link->openSerial(target.host, target.port, target.id);
        else
            m_link->openSerial(target.serialPath, -1, target.id);
    }
    if (m_link->isConnected())
        return ExitAccepted;

    QString reason = m_link->openFailureReason;
    if (!target.socketPath.isEmpty()) {
        reason = QStringLiteral("the service (process %1) does not answer").arg(target.servicePid);
    } else if (m_link->openFailureDenied) {
        reason = QStringLiteral("no permission to open %1: add your user to the dialout group "
                                "(sudo usermod -aG dialout $USER) and log in again")
                     .arg(target.serialPath);
    }
    return fail(ExitUnreachable,
                QStringLiteral("cannot reach the device at %1%2")
                    .arg(target.describe(), reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
}

int Runner::lostConnection()
{
    // A service without a device closes its clients at once.
    if (!m_target.socketPath.isEmpty())
        return fail(ExitUnreachable, QStringLiteral("the service (process %1) has no device right now: it closed the "
                                                    "connection; its log says why")
                                         .arg(m_target.servicePid));
    return fail(ExitUnreachable,
                QStringLiteral("the connection to the device at %1 was lost").arg(m_target.describe()));
}

int Runner::exchangeFrame(const Rdx::Frame& frame, Rdx::Frame* reply)
{
    // Each frame is an exchange of its own: nothing of an earlier one is still awaited.
    m_link->resetReads(-2);
    switch (m_link->exchangeFrame(frame, reply, m_options.timeoutMs)) {
    case Rdx::Outcome::Accepted:
        return ExitAccepted;
    case Rdx::Outcome::Refused:
        return fail(ExitRefused, DeviceReport::errorText((*reply)[3]));
    case Rdx::Outcome::Unanswered:
        return fail(ExitUnanswered, QStringLiteral("no reply from the device within %1 ms").arg(m_options.timeoutMs));
    case Rdx::Outcome::Busy:
    case Rdx::Outcome::NotConnected:
    case Rdx::Outcome::Failed:
        break;
    }
    return lostConnection();
}

int Runner::exchange(const Step& step)
{
    CData& device = m_link->deviceState;
    Rdx::Frame reply = Rdx::emptyFrame();
    if (step.type == Step::Read) {
        const int result = exchangeFrame(readFrame(m_link->deviceNumber, Rdx::readAddress(step.kind, device)), &reply);
        if (result == ExitAccepted)
            m_kindsRead.insert(step.kind);
        return result;
    }
    const int result =
        exchangeFrame(commandFrame(m_link->lastSentFrame(), m_link->deviceNumber, step.code, step.params), &reply);
    if (result == ExitAccepted && step.accepted)
        step.accepted(device);
    return result;
}

int Runner::runPlan(const Plan& plan)
{
    QVector<Step> steps = plan.steps;
    if (plan.statusFirst) {
        if (const int result = exchange(Step::read(Rdx::StatusRead)))
            return result;
        if (plan.build) {
            steps.clear();
            const QString error = plan.build(m_link->deviceState, steps);
            if (!error.isEmpty())
                return fail(ExitUsage, error);
        }
    }
    for (const Step& step : steps) {
        if (const int result = exchange(step))
            return result;
    }
    printState();
    return ExitAccepted;
}

int Runner::runRaw()
{
    Rdx::Frame frame = Rdx::emptyFrame();
    if (!parseFrame(m_options.args, &frame))
        return fail(ExitUsage, QStringLiteral("raw takes one frame of 13 bytes in hex, e.g. 91 01 FE 00 00 00 00 00 00 "
                                              "00 00 00 91"));
    // Without its markers the device cannot find the frame's ends, and the frames after it would be lost.
    if (frame[0] != Rdx::FrameMarker || frame[12] != Rdx::FrameMarker)
        return fail(ExitUsage, QStringLiteral("a frame starts and ends with 91"));
    Rdx::Frame reply = Rdx::emptyFrame();
    m_link->resetReads(-2);
    const Rdx::Outcome outcome = m_link->exchangeFrame(frame, &reply, m_options.timeoutMs);
    if (outcome == Rdx::Outcome::Unanswered)
        return fail(ExitUnanswered, QStringLiteral("no reply from the device within %1 ms").arg(m_options.timeoutMs));
    if (outcome != Rdx::Outcome::Accepted && outcome != Rdx::Outcome::Refused)
        return lostConnection();

    const bool refused = outcome == Rdx::Outcome::Refused;
    int kind = reply[3];
    if (kind == Rdx::PipSubWindowRead && (reply[4] & 0x80))
        kind = Rdx::PipMainWindowRead;
    if (!refused)
        m_kindsRead.insert(kind);
    QJsonObject object = DeviceReport::json(m_link->deviceState, m_link->fastValues, m_kindsRead);
    object.insert(QStringLiteral("request"), Rdx::toHex(frame));
    object.insert(QStringLiteral("reply"), Rdx::toHex(reply));
    object.insert(QStringLiteral("replyKind"), refused ? -1 : kind);
    QString text = QStringLiteral("reply: %1\n").arg(Rdx::toHex(reply));
    if (!refused)
        text += QStringLiteral("kind %1\n").arg(kind) +
                DeviceReport::text(m_link->deviceState, m_link->fastValues, m_kindsRead);
    printResult(object, text);
    if (refused)
        return fail(ExitRefused, DeviceReport::errorText(reply[3]));
    return ExitAccepted;
}

int Runner::runWatch()
{
    if (!m_options.args.isEmpty())
        return fail(ExitUsage, QStringLiteral("usage: watch [--interval S]"));
    // Runs in the application's event loop, which an interrupt or a kill ends after the read under way.
    const QuitOnSignal quitOnSignal;
    int exitCode = ExitAccepted;
    QJsonObject shown;
    QTimer next;
    next.setSingleShot(true);
    const auto look = [&] {
        QElapsedTimer clock;
        clock.start();
        exitCode = exchange(Step::read(Rdx::StatusRead));
        if (exitCode != ExitAccepted) {
            QCoreApplication::exit(exitCode);
            return;
        }
        const QJsonObject now = DeviceReport::json(m_link->deviceState, m_link->fastValues, m_kindsRead);
        if (now != shown) {
            shown = now;
            const QString line = DeviceReport::text(m_link->deviceState, m_link->fastValues, m_kindsRead).simplified();
            printResult(now, QStringLiteral("%1  %2\n").arg(QDateTime::currentDateTime().toString(Qt::ISODate), line));
        }
        next.start(int(std::max<qint64>(0, qint64(m_options.intervalS * 1000) - clock.elapsed())));
    };
    QObject::connect(&next, &QTimer::timeout, look);
    next.start(0);
    QCoreApplication::exec();
    return exitCode;
}

int Runner::runDevice()
{
    const bool raw = m_options.command == QLatin1String("raw");
    const bool watch = m_options.command == QLatin1String("watch");
    Plan plan;
    if (!raw && !watch) {
        QString error;
        plan = planFor(m_options.command, m_options.args, m_options.take, m_options.all, &error);
        if (!error.isEmpty())
            return fail(ExitUsage, error);
    }
    int exitCode = ExitAccepted;
    const std::optional<Target> target = resolveTarget(&exitCode);
    if (!target)
        return exitCode;
    if (const int result = open(*target))
        return result;
    if (raw)
        return runRaw();
    if (watch)
        return runWatch();
    return runPlan(plan);
}

} // namespace Ctl
