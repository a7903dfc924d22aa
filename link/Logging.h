#ifndef RDX480_LINK_LOGGING_H
#define RDX480_LINK_LOGGING_H

#include <QString>

// How every program of the panel logs. Call setUpLogging() first thing in main, before the application
// object (so --help and early failures are formatted the same way):
// - warnings, errors and info lines show; debug lines of every category stay off unless QT_LOGGING_RULES
//   turns them on ("rdx480.link.debug=true", "rdx480.*.debug=true");
// - `trace` turns on the frame dump category (rdx480.link.frames), every frame in and out;
// - each line carries a timestamp, unless stderr goes to the journal (which stamps and ranks lines
//   itself: the line gets a syslog priority prefix instead) or the user set QT_MESSAGE_PATTERN.
namespace Rdx {

// The categories in use, for --help texts and manual pages.
inline constexpr const char* LogCategories[] = {"rdx480.link",    "rdx480.link.frames", "rdx480.shell",
                                                "rdx480.settings", "rdx480.schedule",   "rdx480.service"};

void setUpLogging(bool trace);

// The pieces of setUpLogging, for tests.
QString logFilterRules(bool trace);
QString logMessagePattern(bool toJournal);
// True when JOURNAL_STREAM names the very file stderr is open on (as systemd documents the check).
bool stderrIsJournal();

} // namespace Rdx

#endif
