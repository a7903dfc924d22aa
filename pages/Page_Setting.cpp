#include "pages/Page_Setting.h"

Page_Setting::Page_Setting(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_Setting"));
    resize(741, 550);
}

void Page_Setting::refreshFromDevice(bool, int) {}
void Page_Setting::applyStatus() {}
void Page_Setting::showPicture() {}
void Page_Setting::setLanguage(bool) {}
