#include "pages/Page_Control.h"

Page_Control::Page_Control(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_Control"));
    resize(770, 550);
}

void Page_Control::refreshFromDevice(int) {}
void Page_Control::applyStatus() {}
void Page_Control::showSubWindow() {}
void Page_Control::showMainWindow() {}
void Page_Control::setLanguage(bool) {}
