#include "service/ServiceLog.h"

Q_LOGGING_CATEGORY(lcService, "rdx480.service")
Q_LOGGING_CATEGORY(lcServiceFrames, "rdx480.service.frames")
