#ifndef RDX480_SERVICE_DEVICESERVICE_H
#define RDX480_SERVICE_DEVICESERVICE_H

#include "service/ServiceSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>

#include <memory>

class DeviceConnection;
class FrameServer;
class QFileSystemWatcher;
class QTimer;
class ScheduleRunner;

// rdx480d for one folder: holds the folder's lock, the one link to the device its info.ini names, runs
// the schedule of its time.t and serves the device's frames to the panel, scripts and control surfaces.
// It follows changes of info.ini and time.t made by other programs within a couple of seconds.
class DeviceService : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString folder;
        // Serve LISTEN on an address other than loopback (the device protocol has no authentication).
        bool allowRemote = false;
    };

    // How soon a change in the folder is looked at: writers rename their files into place, and one save
    // can touch the folder several times.
    static constexpr int SettleMs = 200;
    // How often the wall clock is compared with the monotonic one, to notice a jump forward.
    static constexpr int ClockCheckMs = 5000;

    explicit DeviceService(Options options, QObject* parent = nullptr);
    ~DeviceService() override;

    // Takes the folder, listens and starts opening the device. False, with *error, when it cannot run.
    bool start(QString* error);

    QString folder() const { return m_folder; }
    QString socketPath() const;
    quint16 tcpPort() const;
    DeviceConnection* device() const { return m_device; }
    FrameServer* server() const { return m_server; }
    ScheduleRunner* runner() const { return m_runner; }

    // Sends the latest entry of today that passed without the device accepting it, under CATCHUP=latest.
    // Called on start, when the device comes back and when the clock jumps forward.
    void catchUp(const QString& why);
    // Quits the application once the exchange in flight (if any) is over, its reply delivered.
    void stopWhenIdle();

private:
    void deviceUp();
    void deviceDown(const QString& why);
    void folderChanged();
    void lookAtFolder();
    void applySettings(const ServiceSettings& settings);
    void applyListen();
    void checkClock();
    QByteArray fileStamp(const QString& name) const;

    Options m_options;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    ServiceSettings m_settings;
    DeviceConnection* m_device = nullptr;
    FrameServer* m_server = nullptr;
    ScheduleRunner* m_runner = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
    QTimer* m_clockCheck = nullptr;
    QByteArray m_settingsStamp;
    QDateTime m_lastWall;
    QElapsedTimer m_monotonic;
    qint64 m_lastMonotonic = 0;
    bool m_listenApplied = false;
    bool m_started = false;
};

#endif
