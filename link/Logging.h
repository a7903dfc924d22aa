#ifndef RDX480_LINK_LOGGING_H
#define RDX480_LINK_LOGGING_H

#include <QString>

// How every program of the panel logs. Call setUpLogging() at the start of main, as soon as the options
// say whether to trace:
// - warnings, errors and info lines show; debug lines of every category stay off unless QT_LOGGING_RULES
//   turns them on ("rdx480.link.debug=true", "rdx480.*.debug=true");
// - `trace` turns on the frame dump category (rdx480.link.frames), every frame in and out;
// - each line carries a timestamp, unless stderr goes to the journal (which stamps and ranks lines
//   itself: the line gets a syslog priority prefix instead) or the user set QT_MESSAGE_PATTERN.
namespace Rdx {

void setUpLogging(bool trace);

// The pieces of setUpLogging.
QString logFilterRules(bool trace);
QString logMessagePattern(bool toJournal);
// True when JOURNAL_STREAM names the very file stderr is open on (as systemd documents the check).
bool stderrIsJournal();

} // namespace Rdx

#endif
