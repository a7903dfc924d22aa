#ifndef RDX480_CLI_DEVICEREPORT_H
#define RDX480_CLI_DEVICEREPORT_H

#include "link/ReplyDecoder.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

class CData;

// The device copy as rdx480ctl prints it: only the fields of the read kinds the device answered in this
// run, so nothing is shown that the device has not reported. The JSON field names are the device copy's
// own and do not change; each code has a "...Name" text beside it.
namespace DeviceReport {

QJsonObject json(const CData& device, const Rdx::FastValues& fastValues, const QSet<int>& kinds);
QString text(const CData& device, const Rdx::FastValues& fastValues, const QSet<int>& kinds);

// The English text of a device error code, as the panel shows it.
QString errorText(int code);

} // namespace DeviceReport

#endif
