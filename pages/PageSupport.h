#ifndef RDX480_PAGES_PAGESUPPORT_H
#define RDX480_PAGES_PAGESUPPORT_H

#include <QString>

#include <initializer_list>

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

// A command went out but its reply did not come: the device may or may not have applied it, so ask it
// for the values the command changes; the replies then set the page as usual.
void readBack(Singleton_SerialPort* link, std::initializer_list<int> kinds);

// The text a label or button shows, or a group box's title: what a page's language table sets.
void setWidgetText(QObject* widget, const QString& text);

#endif
