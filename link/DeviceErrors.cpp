#include "link/DeviceErrors.h"

namespace Rdx {

QStringList deviceErrorTexts(bool isEnglish)
{
    if (isEnglish) {
        return {QStringLiteral("command length error;"),
                QStringLiteral("protocol error;"),
                QStringLiteral("check bit error;"),
                QStringLiteral("system busy; "),
                QStringLiteral("communication conflict; "),
                QStringLiteral("no input card; "),
                QStringLiteral("the input card is a pass-through card;"),
                QStringLiteral("input card status error; "),
                QStringLiteral("out of range;"),
                QStringLiteral("wrong configuration mode;")};
    }
    return {QStringLiteral("   命令长度错误。"), QStringLiteral("   协议错误。"),
            QStringLiteral("   校验位错误。"),   QStringLiteral("   系统繁忙。"),
            QStringLiteral("   通讯冲突。"),     QStringLiteral("   没有改输入卡。"),
            QStringLiteral("   该输入卡位直通卡。"), QStringLiteral("   输入卡状态错误。"),
            QStringLiteral("   超出范围。"),     QStringLiteral("   错误的配置模式。")};
}

QString unknownDeviceErrorText(int code, bool isEnglish)
{
    return isEnglish ? QStringLiteral("device error %1;").arg(code) : QStringLiteral("   设备错误 %1。").arg(code);
}

} // namespace Rdx
