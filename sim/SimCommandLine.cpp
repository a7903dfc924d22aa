#include "sim/SimCommandLine.h"

#include <QCommandLineParser>

namespace {

bool toNumber(const QString& text, int min, int max, int& value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 0);
    if (!ok || number < min || number > max)
        return false;
    value = number;
    return true;
}

} // namespace

SimCommandLine SimCommandLine::parse(const QStringList& arguments)
{
    SimCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated RDX480 video processor. Answers 13-byte frames on TCP (127.0.0.1) and on a pseudo-terminal,\n"
        "and prints \"tcp 127.0.0.1 <port>\" and \"serial <path>\" once it listens."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption tcpPort(QStringLiteral("tcp-port"), QStringLiteral("TCP port (0: any free port)."),
                                     QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption noTcp(QStringLiteral("no-tcp"), QStringLiteral("Do not listen on TCP."));
    const QCommandLineOption noSerial(QStringLiteral("no-serial"), QStringLiteral("Do not create the serial line."));
    const QCommandLineOption paced(QStringLiteral("paced"),
                                   QStringLiteral("Time the serial line like a 9600 8N1 wire, both directions."));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Device number (byte 1), default 1."),
                                    QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption extModule(QStringLiteral("ext-module"),
                                       QStringLiteral("An SDI expansion module is fitted (input EXT. works)."));
    const QCommandLineOption plainAck(QStringLiteral("plain-ack"),
                                      QStringLiteral("Answer set-commands with a plain acknowledgement."));
    const QCommandLineOption noMarkers(QStringLiteral("no-markers"),
                                       QStringLiteral("Send replies without the 0x91 markers at bytes 0 and 12."));
    const QCommandLineOption serialLink(
        QStringLiteral("serial-link"),
        QStringLiteral("Keep a symbolic link to the serial line at this path (remade at every start), so a\n"
                       "panel can pull and replug the line by stopping and restarting the simulator."),
        QStringLiteral("path"));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Print every frame in and out on stderr."));
    const QCommandLineOption silentCode(QStringLiteral("silent-code"),
                                        QStringLiteral("Give no reply to this set-command code (repeatable)."),
                                        QStringLiteral("code"));
    const QCommandLineOption silentKind(QStringLiteral("silent-kind"),
                                        QStringLiteral("Give no reply to read requests of this kind (repeatable)."),
                                        QStringLiteral("kind"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Send every reply this much later."),
                                   QStringLiteral("ms"));
    const QCommandLineOption errorFor(QStringLiteral("error-for"),
                                      QStringLiteral("Answer set-command CODE with device error ERROR (repeatable)."),
                                      QStringLiteral("code:error"));
    const QCommandLineOption errorForKind(
        QStringLiteral("error-for-kind"),
        QStringLiteral("Answer read requests of KIND with device error ERROR (repeatable)."), QStringLiteral("kind:error"));
    const QCommandLineOption errorTimes(QStringLiteral("error-times"),
                                        QStringLiteral("Only the first n reads named by --error-for-kind get the error."),
                                        QStringLiteral("n"));
    const QCommandLineOption chunk(QStringLiteral("chunk"), QStringLiteral("Write replies in pieces of n bytes."),
                                   QStringLiteral("n"));
    const QCommandLineOption glue(QStringLiteral("glue"), QStringLiteral("Write replies two at a time."));
    const QCommandLineOption stray(QStringLiteral("stray"),
                                   QStringLiteral("Write these bytes (hex) once, before the next reply."),
                                   QStringLiteral("hex"));
    const QCommandLineOption seed(QStringLiteral("random-seed"), QStringLiteral("Seed of the random faults."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption rate(QStringLiteral("fault-rate"),
                                  QStringLiteral("Share of replies (0..1) that get one random fault."),
                                  QStringLiteral("rate"));
    parser.addOptions({help, version, tcpPort, noTcp, noSerial, paced, device, extModule, plainAck, noMarkers,
                       serialLink, trace, silentCode, silentKind, delay, errorFor, errorForKind, errorTimes, chunk,
                       glue, stray, seed, rate});
    result.helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        return result;
    }
    if (parser.isSet(version)) {
        result.versionRequested = true;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
        return result;
    }
    auto number = [&](const QCommandLineOption& option, int min, int max, int& value) {
        if (!toNumber(parser.value(option), min, max, value) && result.error.isEmpty())
            result.error =
                QStringLiteral("bad value for --%1: %2").arg(option.names().constLast(), parser.value(option));
    };
    SimFixtureOptions& o = result.options;
    SimFaults& f = result.faults;
    int port = 0;
    number(tcpPort, 0, 65535, port);
    o.tcpPort = static_cast<quint16>(port);
    o.tcp = !parser.isSet(noTcp);
    o.serial = !parser.isSet(noSerial);
    o.paced = parser.isSet(paced);
    number(device, 0, 255, o.deviceNumber);
    o.extModule = parser.isSet(extModule);
    o.trace = parser.isSet(trace);
    f.plainAck = parser.isSet(plainAck);
    f.noMarkers = parser.isSet(noMarkers);
    o.serialLink = parser.value(serialLink);
    f.glueReplies = parser.isSet(glue);
    for (const QString& text : parser.values(silentCode)) {
        int code = 0;
        if (!toNumber(text, 0, 255, code))
            result.error = QStringLiteral("bad value for --silent-code: ") + text;
        f.silentCodes.insert(code);
    }
    for (const QString& text : parser.values(silentKind)) {
        int kind = 0;
        if (!toNumber(text, 0, 255, kind))
            result.error = QStringLiteral("bad value for --silent-kind: ") + text;
        f.silentKinds.insert(kind);
    }
    // "number:error" pairs, each byte-sized.
    const auto errorPairs = [&](const QCommandLineOption& option, QMap<int, int>& into) {
        for (const QString& text : parser.values(option)) {
            const QStringList parts = text.split(QLatin1Char(':'));
            int key = 0;
            int error = 0;
            if (parts.size() != 2 || !toNumber(parts[0], 0, 255, key) || !toNumber(parts[1], 0, 255, error))
                result.error = QStringLiteral("bad value for --%1 (%2): ").arg(option.names().constLast(),
                                                                              option.valueName()) + text;
            into.insert(key, error);
        }
    };
    errorPairs(errorFor, f.errorForCode);
    errorPairs(errorForKind, f.errorForKind);
    if (parser.isSet(errorTimes))
        number(errorTimes, 0, 1000000, f.errorForKindTimes);
    if (parser.isSet(delay))
        number(delay, 0, 600000, f.delayMs);
    if (parser.isSet(chunk))
        number(chunk, 1, 13, f.chunkSize);
    if (parser.isSet(stray)) {
        const QString hex = parser.value(stray);
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        if (bytes.isEmpty())
            result.error = QStringLiteral("bad value for --stray (hex bytes): ") + hex;
        f.strayBytes = bytes;
    }
    bool seedOk = false;
    f.randomSeed = parser.value(seed).toUInt(&seedOk, 0);
    if (!seedOk)
        result.error = QStringLiteral("bad value for --random-seed: ") + parser.value(seed);
    if (parser.isSet(rate)) {
        bool ok = false;
        f.randomFaultRate = parser.value(rate).toDouble(&ok);
        if (!ok || f.randomFaultRate < 0.0 || f.randomFaultRate > 1.0)
            result.error = QStringLiteral("bad value for --fault-rate (0..1): ") + parser.value(rate);
    }
    if (!o.serialLink.isEmpty() && !o.serial)
        result.error = QStringLiteral("--serial-link needs the serial line (drop --no-serial)");
    if (!o.tcp && !o.serial)
        result.error = QStringLiteral("--no-tcp and --no-serial leave no way to reach the device");
    return result;
}
