#ifndef RDX480_SERVICE_SDNOTIFY_H
#define RDX480_SERVICE_SDNOTIFY_H

#include <QByteArray>

// Tells the service manager how the service is doing ("READY=1", "STOPPING=1", "STATUS=..."), as
// sd_notify does: one datagram to $NOTIFY_SOCKET. False when there is no manager to tell, or it failed.
namespace SdNotify {
bool notify(const QByteArray& state);
}

#endif
