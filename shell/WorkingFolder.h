#ifndef RDX480_SHELL_WORKINGFOLDER_H
#define RDX480_SHELL_WORKINGFOLDER_H

#include <QString>

// The panel keeps info.ini and time.t in its working folder. Started from a shell it keeps the current one;
// the menu entry passes --user-folder, so the files neither land wherever the desktop starts programs nor
// get lost between runs.
namespace WorkingFolder {

// $XDG_CONFIG_HOME/rdx480, ~/.config/rdx480 when the variable is unset.
QString userFolder();

// Makes `path` current. A missing folder is created readable by its owner only (it holds device addresses
// and the schedule); an existing one keeps its permissions. False, with a line on stderr, when unusable.
bool enter(const QString& path);

} // namespace WorkingFolder

#endif
