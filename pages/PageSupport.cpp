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

void setWidgetText(QObject* widget, const QString& text)
{
    widget->setProperty(qobject_cast<QGroupBox*>(widget) ? "title" : "text", text);
}
