#ifndef RDX480_SERVICE_SERVICELOG_H
#define RDX480_SERVICE_SERVICELOG_H

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcService)
Q_DECLARE_LOGGING_CATEGORY(lcServiceFrames)

// The service's log on stderr: info and above by default, every frame in and out with trace. Under
// systemd (JOURNAL_STREAM set) the journal stamps the lines, so they carry only a syslog priority prefix;
// elsewhere each line starts with the local time.
namespace ServiceLog {
void install(bool trace);
// One line as it goes out, for tests: the message at its level, stamped or not.
QString format(QtMsgType type, const QString& message, bool journal);
} // namespace ServiceLog

#endif
