#ifndef RDX480_SERVICE_DEVICECONNECTION_H
#define RDX480_SERVICE_DEVICECONNECTION_H

#include "link/Frame.h"
#include "service/ServiceSettings.h"

#include <QObject>

class QTimer;
class Singleton_SerialPort;

// Holds the service's one link to the device and keeps it open: a TCP device is dialled again with a
// backoff from 1 s to 30 s, a serial node that vanished is opened again once it is back. Exchanges run one
// at a time, each a whole frame and the reply that answers it within the set-command deadline.
class DeviceConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int LastRetryMs = 30000;
    static constexpr int SerialPollMs = 1000;

    explicit DeviceConnection(QObject* parent = nullptr);
    ~DeviceConnection() override;

    // Opens the device the settings name; new settings that name another device reconnect.
    void setSettings(const ServiceSettings& settings);
    const ServiceSettings& settings() const { return m_settings; }
    // Closes the link and stops trying.
    void stop();

    bool isUp() const { return m_up; }
    bool isExchanging() const { return m_exchanging; }
    Singleton_SerialPort* link() const { return m_link; }

    // One exchange: the frame as given, its reply in *reply (an error reply too).
    Rdx::Outcome exchange(const Rdx::Frame& request, Rdx::Frame* reply = nullptr);
    // The schedule's switch: reads the status first, since PIP and the switch mode decide the command,
    // then switches (and TAKEs in preselect mode) and reads the status back.
    Rdx::Outcome switchInput(int code);

    // The delay before the next attempt to open the device, for the log and tests.
    int retryDelayMs() const { return m_retryMs; }

signals:
    // An exchange (or the schedule's switch) is over: the next one may start.
    void free();
    void up();
    void down(const QString& why);

private:
    void open();
    void retryLater();
    void checkLink();
    void checkNode();
    Rdx::Frame frame(int code, std::initializer_list<int> params) const;
    Rdx::Outcome exchangeNow(const Rdx::Frame& request, Rdx::Frame* reply);

    Singleton_SerialPort* m_link;
    QTimer* m_retry;
    QTimer* m_nodeWatch;
    ServiceSettings m_settings;
    bool m_running = false;
    bool m_up = false;
    bool m_exchanging = false;
    int m_retryMs = FirstRetryMs;
    QString m_lastFailure;
};

#endif
