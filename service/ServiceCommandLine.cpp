#include "service/ServiceCommandLine.h"

#include <QCommandLineParser>
#include <QStandardPaths>

QString ServiceCommandLine::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/rdx480");
}

ServiceCommandLine ServiceCommandLine::parse(const QStringList& arguments)
{
    ServiceCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "RDX480 device service. Holds the one link to the device named in the folder's info.ini, runs the\n"
        "schedule of its time.t with no window open, and serves the device's 13-byte frames to the panel,\n"
        "scripts and control surfaces on a Unix socket in $XDG_RUNTIME_DIR/rdx480/ (and on the TCP port of\n"
        "[Service] LISTEN=127.0.0.1:PORT). One service per folder."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Serve the device of <dir> (created when missing)."),
                                    QStringLiteral("dir"));
    const QCommandLineOption userFolder(QStringLiteral("user-folder"),
                                        QStringLiteral("Serve the device of %1 (the default, as the panel's "
                                                       "menu entry uses).")
                                            .arg(ServiceCommandLine::userFolder()));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Log every frame in and out."));
    const QCommandLineOption allowRemote(
        QStringLiteral("allow-remote"),
        QStringLiteral("Serve LISTEN on an address other than loopback. The device protocol has no\n"
                       "authentication: anyone who reaches the port controls the device."));
    parser.addOptions({help, version, folder, userFolder, trace, allowRemote});
    result.helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    result.helpRequested = parser.isSet(help);
    result.versionRequested = parser.isSet(version);
    if (result.helpRequested || result.versionRequested)
        return result;
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
        return result;
    }
    if (parser.isSet(folder) && parser.isSet(userFolder)) {
        result.error = QStringLiteral("--folder and --user-folder exclude each other");
        return result;
    }
    result.folder = parser.isSet(folder) ? parser.value(folder) : ServiceCommandLine::userFolder();
    if (result.folder.isEmpty())
        result.error = QStringLiteral("--folder needs a folder");
    result.trace = parser.isSet(trace);
    result.allowRemote = parser.isSet(allowRemote);
    return result;
}
