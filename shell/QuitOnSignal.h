#ifndef RDX480_SHELL_QUITONSIGNAL_H
#define RDX480_SHELL_QUITONSIGNAL_H

#include <QSocketNotifier>

#include <memory>

// Turns SIGTERM, SIGINT and SIGHUP into a normal end of the event loop while it lives, so a logout, a kill
// or Ctrl+C closes the window the usual way and its settings are written instead of lost.
class QuitOnSignal
{
public:
    QuitOnSignal();
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

#endif
