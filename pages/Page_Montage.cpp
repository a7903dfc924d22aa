#include "pages/Page_Montage.h"

Page_Montage::Page_Montage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_Montage"));
    resize(770, 550);
}

void Page_Montage::refreshFromDevice(int) {}
void Page_Montage::applyStatus() {}
void Page_Montage::showInputWindow() {}
void Page_Montage::showOutputWindow() {}
void Page_Montage::showLedTotal() {}
void Page_Montage::showUnitWindow() {}
void Page_Montage::showFastValues() {}
void Page_Montage::setLanguage(bool) {}
