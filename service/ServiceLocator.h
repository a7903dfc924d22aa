#ifndef RDX480_SERVICE_SERVICELOCATOR_H
#define RDX480_SERVICE_SERVICELOCATOR_H

#include <QString>

// Where the rdx480d service of a folder keeps its lock and its socket, so the service, the panel and the
// command line agree on them without asking each other. One service per folder: the lock says whether it
// runs, the socket (named from the folder's canonical path) is where it serves the device's frames.
namespace ServiceLocator {

// The folder's canonical path; the cleaned absolute path when it does not exist.
QString canonicalFolder(const QString& folder);

// The lock the running service holds, inside the folder.
QString lockPath(const QString& folder);

// $XDG_RUNTIME_DIR/rdx480, or /run/user/UID/rdx480 where the variable is unset (cron, su).
QString runtimeDir();

// `systemd-escape --path` of an absolute path: "/home/op/.config/rdx480" gives "home-op-.config-rdx480".
QString escapePath(const QString& path);

// The Unix socket of the folder's service: the escaped canonical folder + ".sock" in runtimeDir(); a folder
// whose name would not fit a socket address gets a name hashed from it instead.
QString socketPath(const QString& folder);

// True while a service holds the folder's lock. *pid, when given, gets its process id.
bool isRunning(const QString& folder, qint64* pid = nullptr);

} // namespace ServiceLocator

#endif
