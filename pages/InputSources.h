#ifndef RDX480_PAGES_INPUTSOURCES_H
#define RDX480_PAGES_INPUTSOURCES_H

#include <QString>

// The device's input sources by wire code 0..7: the text the panel shows for each, the object name of
// its button on the Control page and its switching group. In Pre + TAKE and PIP mode the second input
// must come from another group than the main input.
namespace InputSources {

constexpr int Count = 8;

bool isValid(int code);
// Empty for a code the device does not have.
QString text(int code);
// Object name of the code's input button; empty for an unknown code.
QString buttonName(int code);
// 1..4; -1 for an unknown code.
int group(int code);

} // namespace InputSources

#endif
