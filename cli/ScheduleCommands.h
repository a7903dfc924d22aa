#ifndef RDX480_CLI_SCHEDULECOMMANDS_H
#define RDX480_CLI_SCHEDULECOMMANDS_H

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The schedule subcommands of rdx480ctl on the folder's time.t, through the schedule's own file code, so
// the file stays byte for byte what the panel writes and the panel and the service pick the change up.
namespace ScheduleCommands {

struct Result
{
    int exitCode = 0;
    QString error;    // for stderr, when exitCode is not 0
    QString text;     // for stdout
    QJsonObject json; // the same, for --json
};

struct Request
{
    QString folder;
    QStringList args; // after "schedule"
    bool once = false;
    bool inactive = false;
    QDateTime now;
};

Result run(const Request& request);

// "daily", "Mon-Fri", "Mon,Wed,Sat-Sun" -> day mask (bit 0 Sunday); 0 when the text is not a day list.
int parseDays(const QString& text);
// The shortest such text for a mask: "daily", "Mon-Fri", "Mon,Wed"; "none" for 0.
QString daysWord(int mask);

} // namespace ScheduleCommands

#endif
