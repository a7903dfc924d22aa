#include "link/Logging.h"

#include <QLoggingCategory>
#include <QStringList>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

QString Rdx::logFilterRules(bool trace)
{
    // Later rules win; QT_LOGGING_RULES and QT_LOGGING_CONF win over these.
    QString rules = QStringLiteral("*.debug=false");
    if (trace)
        rules += QStringLiteral("\nrdx480.link.frames.debug=true");
    return rules;
}

QString Rdx::logMessagePattern(bool toJournal)
{
    const QString where = QStringLiteral("%{if-category}%{category}: %{endif}%{message}");
    if (toJournal) {
        // sd-daemon priority prefixes: the journal files each line under its level.
        return QStringLiteral("%{if-debug}<7>%{endif}%{if-info}<6>%{endif}%{if-warning}<4>%{endif}"
                              "%{if-critical}<3>%{endif}%{if-fatal}<2>%{endif}") +
               where;
    }
    return QStringLiteral("%{time yyyy-MM-dd HH:mm:ss.zzz} %{type} ") + where;
}

bool Rdx::stderrIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const QList<QByteArray> parts = stream.split(':');
    if (parts.size() != 2)
        return false;
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = parts[0].toULongLong(&deviceOk);
    const qulonglong inode = parts[1].toULongLong(&inodeOk);
    struct stat status = {};
    if (!deviceOk || !inodeOk || ::fstat(STDERR_FILENO, &status) != 0)
        return false;
    // A program started from a journalled one inherits the variable but may log to a terminal.
    return qulonglong(status.st_dev) == device && qulonglong(status.st_ino) == inode;
}

void Rdx::setUpLogging(bool trace)
{
    QLoggingCategory::setFilterRules(logFilterRules(trace));
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
        qSetMessagePattern(logMessagePattern(stderrIsJournal()));
}
