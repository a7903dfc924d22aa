#ifndef RDX480_PAGES_PAGESUPPORT_H
#define RDX480_PAGES_PAGESUPPORT_H

#include <QString>

class QObject;
class Singleton_SerialPort;

// Holds the link's busy flag while a page copies the device copy into its widgets, so that the widgets'
// own change signals send nothing; the earlier value comes back, as fills may nest inside one another.
class FillGuard
{
public:
    explicit FillGuard(Singleton_SerialPort* link);
    ~FillGuard();
    FillGuard(const FillGuard&) = delete;
    FillGuard& operator=(const FillGuard&) = delete;

private:
    Singleton_SerialPort* m_link;
    bool m_wasBusy;
};

// The text a label or button shows, or a group box's title: what a page's language table sets.
void setWidgetText(QObject* widget, const QString& text);

#endif
