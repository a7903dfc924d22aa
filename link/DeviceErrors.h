#ifndef RDX480_LINK_DEVICEERRORS_H
#define RDX480_LINK_DEVICEERRORS_H

#include <QString>
#include <QStringList>

namespace Rdx {

constexpr int FirstTextedError = 4;
constexpr int LastTextedError = 13;

// The ten texts of device error codes 4..13, in code order, in one language.
QStringList deviceErrorTexts(bool isEnglish);
// What the operator sees for an error code the device documents no text for (above 13).
QString unknownDeviceErrorText(int code, bool isEnglish);

} // namespace Rdx

#endif
