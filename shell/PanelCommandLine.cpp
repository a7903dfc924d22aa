#include "shell/PanelCommandLine.h"

#include "Version.h"
#include "shell/WorkingFolder.h"

#include <QCommandLineParser>

PanelCommandLine PanelCommandLine::parse(const QStringList& arguments)
{
    PanelCommandLine result;
    QCommandLineParser parser;
    // Qt's options are single-dash words ("-platform offscreen"); ours read the same either way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("RDX480 control panel. Keeps its settings (info.ini) and schedule (time.t) in the\n"
                       "working folder: the current folder unless an option below chooses another.\n"
                       "Debug logs by category: QT_LOGGING_RULES=\"rdx480.*.debug=true\" (see rdx480(1))."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption folder(QStringLiteral("folder"), QStringLiteral("Work in <dir>, created when missing."),
                                    QStringLiteral("dir"));
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        QStringLiteral("Work in %1, as the menu entry does.").arg(WorkingFolder::userFolder()));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Log every frame to and from the device on stderr."));
    parser.addOptions({help, version, folder, userFolder, trace});
    // The application object takes these itself; they are no mistake here.
    const auto letThrough = [&parser](std::initializer_list<const char*> names, const QString& valueName) {
        for (const char* name : names) {
            QCommandLineOption qtOption(QString::fromLatin1(name), QString(), valueName);
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
    };
    letThrough({"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowtitle",
                "qwindowicon", "style", "stylesheet", "session", "display", "geometry", "qmljsdebugger"},
               QStringLiteral("value"));
    letThrough({"reverse", "widgetcount", "nograb", "dograb", "sync"}, QString());

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
    else if (parser.isSet(folder) && parser.isSet(userFolder))
        error = QStringLiteral("--folder and --user-folder exclude each other");
    if (!error.isEmpty()) {
        result.exitCode = 2;
        result.output = QStringLiteral("rdx480: %1 (see --help)\n").arg(error);
    } else if (parser.isSet(help)) {
        result.exitCode = 0;
        result.output = parser.helpText();
    } else if (parser.isSet(version)) {
        result.exitCode = 0;
        result.output = QStringLiteral("rdx480 " RDX480_VERSION "\n");
    }
    if (parser.isSet(userFolder))
        result.folder = WorkingFolder::userFolder();
    else if (parser.isSet(folder))
        result.folder = parser.value(folder);
    result.trace = parser.isSet(trace);
    return result;
}
