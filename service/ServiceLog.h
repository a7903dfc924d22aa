#ifndef RDX480_SERVICE_SERVICELOG_H
#define RDX480_SERVICE_SERVICELOG_H

#include <QLoggingCategory>

// Firings, misses, reconnects and clients at info level; every client frame in and out with --trace.
Q_DECLARE_LOGGING_CATEGORY(lcService)
Q_DECLARE_LOGGING_CATEGORY(lcServiceFrames)

#endif
