#include "pages/PageSupport.h"

#include "link/Singleton_SerialPort.h"

#include <QGroupBox>

FillGuard::FillGuard(Singleton_SerialPort* link) : m_link(link), m_wasBusy(link->busy)
{
    m_link->busy = true;
}

FillGuard::~FillGuard()
{
    m_link->busy = m_wasBusy;
}

void readBack(Singleton_SerialPort* link, std::initializer_list<int> kinds)
{
    constexpr int ReadBackWaitMs = 5000;
    emit link->sendStarTime(ReadBackWaitMs);
    link->resetReads(-2);
    for (int kind : kinds)
        link->requestRead(kind);
}

void setWidgetText(QObject* widget, const QString& text)
{
    widget->setProperty(qobject_cast<QGroupBox*>(widget) ? "title" : "text", text);
}
