#include "link/Frame.h"

namespace Rdx {

QString toHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString toHex(const Frame& frame)
{
    return toHex(toByteArray(frame));
}

} // namespace Rdx
