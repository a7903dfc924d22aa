#ifndef RDX480_SHELL_WORKINGFOLDER_H
#define RDX480_SHELL_WORKINGFOLDER_H

#include <QString>
#include <QStringList>

#include <optional>

// The panel keeps info.ini and time.t in its working folder. Started from a shell it keeps the current one;
// the menu entry passes --user-folder, so the files neither land wherever the desktop starts programs nor
// get lost between runs.
namespace WorkingFolder {

// $XDG_CONFIG_HOME/rdx480, ~/.config/rdx480 when the variable is unset.
QString userFolder();

// Reads the panel's options and makes the chosen folder current, creating it when missing. Returns the
// exit code when the panel must not start: help shown (0), unusable folder (1), bad arguments (2).
std::optional<int> enter(const QStringList& arguments);

} // namespace WorkingFolder

#endif
