#include "service/ServiceLog.h"

#include <QDateTime>

#include <cstdio>

Q_LOGGING_CATEGORY(lcService, "rdx480.service")
Q_LOGGING_CATEGORY(lcServiceFrames, "rdx480.service.frames")

namespace {
bool journal = false;

void writeLine(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QByteArray line = ServiceLog::format(type, message, journal).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
} // namespace

QString ServiceLog::format(QtMsgType type, const QString& message, bool journal)
{
    if (journal) {
        // sd-daemon priorities: the journal files the line under them.
        const char* priority = "<6>";
        switch (type) {
        case QtDebugMsg: priority = "<7>"; break;
        case QtInfoMsg: priority = "<6>"; break;
        case QtWarningMsg: priority = "<4>"; break;
        case QtCriticalMsg: priority = "<3>"; break;
        case QtFatalMsg: priority = "<2>"; break;
        }
        return QLatin1String(priority) + message;
    }
    QString level;
    if (type == QtWarningMsg)
        level = QStringLiteral("warning: ");
    else if (type == QtCriticalMsg || type == QtFatalMsg)
        level = QStringLiteral("error: ");
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + level + message;
}

void ServiceLog::install(bool trace)
{
    journal = !qEnvironmentVariableIsEmpty("JOURNAL_STREAM");
    QString rules = QStringLiteral("*.debug=false\nrdx480.*.info=true\n");
    if (trace)
        rules += QStringLiteral("rdx480.link.frames.debug=true\nrdx480.service.frames.debug=true\n");
    QLoggingCategory::setFilterRules(rules);
    qSetMessagePattern(QStringLiteral("%{message}"));
    qInstallMessageHandler(writeLine);
}
