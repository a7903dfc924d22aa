#include "shell/WorkingFolder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

namespace {
void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}
} // namespace

QString WorkingFolder::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/rdx480");
}

std::optional<int> WorkingFolder::enter(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("RDX480 control panel. Keeps its settings (info.ini) and schedule (time.t) in the\n"
                       "working folder: the current folder unless an option below chooses another."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption folder(QStringLiteral("folder"), QStringLiteral("Work in <dir>, created when missing."),
                                    QStringLiteral("dir"));
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        QStringLiteral("Work in %1, as the menu entry does.").arg(WorkingFolder::userFolder()));
    parser.addOptions({help, folder, userFolder});

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
    else if (parser.isSet(folder) && parser.isSet(userFolder))
        error = QStringLiteral("--folder and --user-folder exclude each other");
    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("rdx480: %1 (see --help)\n").arg(error));
        return 2;
    }
    if (parser.isSet(help)) {
        print(stdout, parser.helpText());
        return 0;
    }

    if (!parser.isSet(folder) && !parser.isSet(userFolder))
        return std::nullopt;
    const QString path = parser.isSet(folder) ? parser.value(folder) : WorkingFolder::userFolder();
    if (path.isEmpty() || !QDir().mkpath(path) || !QDir::setCurrent(path)) {
        print(stderr, QStringLiteral("rdx480: cannot work in %1\n").arg(QDir::toNativeSeparators(path)));
        return 1;
    }
    return std::nullopt;
}
