#include "service/DeviceService.h"

#include "link/Singleton_SerialPort.h"
#include "schedule/ScheduleClock.h"
#include "schedule/ScheduleRunner.h"
#include "schedule/TableModel.h"
#include "service/DeviceConnection.h"
#include "service/FrameServer.h"
#include "service/ServiceLocator.h"
#include "service/ServiceLog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {
const QString settingsName = QStringLiteral("info.ini");
const QString scheduleName = QStringLiteral("time.t");
} // namespace

DeviceService::DeviceService(Options options, QObject* parent) : QObject(parent), m_options(std::move(options)) {}

DeviceService::~DeviceService()
{
    if (m_server)
        m_server->setAccepting(false, QStringLiteral("the service stops"));
    if (m_device)
        m_device->stop();
    if (m_started)
        qCInfo(lcService).noquote() << "stopped for" << m_folder;
}

QString DeviceService::socketPath() const
{
    return m_server ? m_server->localPath() : QString();
}

quint16 DeviceService::tcpPort() const
{
    return m_server ? m_server->tcpPort() : 0;
}

bool DeviceService::start(QString* error)
{
    if (m_options.folder.isEmpty() || !QDir().mkpath(m_options.folder)) {
        *error = QStringLiteral("cannot use the folder %1").arg(m_options.folder);
        return false;
    }
    m_folder = ServiceLocator::canonicalFolder(m_options.folder);

    m_lock = std::make_unique<QLockFile>(ServiceLocator::lockPath(m_folder));
    // A service runs all night: its lock is stale only when its process is gone.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        qint64 pid = -1;
        QString host, app;
        m_lock->getLockInfo(&pid, &host, &app);
        *error = m_lock->error() == QLockFile::LockFailedError
                     ? QStringLiteral("another rdx480d (process %1) already runs for %2").arg(pid).arg(m_folder)
                     : QStringLiteral("cannot take the lock %1").arg(ServiceLocator::lockPath(m_folder));
        m_lock.reset();
        return false;
    }

    m_device = new DeviceConnection(this);
    m_server = new FrameServer(
        [this](const Rdx::Frame& request, Rdx::Frame* reply) { return m_device->exchange(request, reply); }, this);
    m_server->setAccepting(false, QStringLiteral("the device link is down"));
    if (!m_server->listenLocal(ServiceLocator::socketPath(m_folder), error))
        return false;
    connect(m_device, &DeviceConnection::free, m_server, &FrameServer::resume);
    connect(m_device, &DeviceConnection::up, this, &DeviceService::deviceUp);
    connect(m_device, &DeviceConnection::down, this, &DeviceService::deviceDown);

    ScheduleRunner::Device schedulePath;
    schedulePath.isConnected = [this] { return m_device->isUp(); };
    // Busy while a client's exchange is on its way: the runner asks again a moment later.
    schedulePath.switchInput = [this](int code) { return m_device->switchInput(code); };
    m_runner = new ScheduleRunner(QDir(m_folder).filePath(scheduleName), schedulePath, this);
    // Saves by the panel or the command line are picked up from the folder, as they rename into place.
    m_runner->model()->watchFolder();
    connect(m_runner, &ScheduleRunner::fired, this, [](const ScheduleRunner::Report& report) {
        qCInfo(lcService).noquote() << "schedule:" << ScheduleRunner::describe(report);
    });
    connect(m_runner, &ScheduleRunner::skipped, this, [](const ScheduleRunner::Report& report) {
        qCInfo(lcService).noquote() << "schedule:" << ScheduleRunner::describe(report);
    });
    connect(m_runner, &ScheduleRunner::missed, this, [](const ScheduleRunner::Report& report) {
        qCInfo(lcService).noquote() << "schedule:" << ScheduleRunner::describe(report);
    });
    connect(m_runner, &ScheduleRunner::waitingForDevice, this, [](const ScheduleRunner::Report& report) {
        qCInfo(lcService).noquote() << "schedule:" << ScheduleRunner::describe(report);
    });

    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(m_folder);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceService::folderChanged);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &DeviceService::folderChanged);
    connect(m_settle, &QTimer::timeout, this, &DeviceService::lookAtFolder);

    m_lastWall = ScheduleClock::now();
    m_monotonic.start();
    m_lastMonotonic = 0;
    m_clockCheck = new QTimer(this);
    m_clockCheck->start(ClockCheckMs);
    connect(m_clockCheck, &QTimer::timeout, this, &DeviceService::checkClock);
    connect(ScheduleClock::instance(), &ScheduleClock::moved, this, &DeviceService::checkClock);

    m_started = true;
    qCInfo(lcService).noquote() << "serving" << m_folder << "on" << m_server->localPath();
    m_settingsStamp = fileStamp(settingsName);
    applySettings(ServiceSettings::read(QDir(m_folder).filePath(settingsName)));
    return true;
}

QByteArray DeviceService::fileStamp(const QString& name) const
{
    QFile file(QDir(m_folder).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

void DeviceService::folderChanged()
{
    // A file written in place is watched too; one renamed into place is a new file to watch.
    const QString path = QDir(m_folder).filePath(settingsName);
    if (QFileInfo::exists(path) && !m_watcher->files().contains(path))
        m_watcher->addPath(path);
    m_settle->start();
}

void DeviceService::lookAtFolder()
{
    const QByteArray settingsStamp = fileStamp(settingsName);
    if (settingsStamp != m_settingsStamp) {
        m_settingsStamp = settingsStamp;
        qCInfo(lcService).noquote() << settingsName << "changed; reading it again";
        applySettings(ServiceSettings::read(QDir(m_folder).filePath(settingsName)));
    }
}

void DeviceService::applySettings(const ServiceSettings& settings)
{
    for (const QString& problem : settings.problems)
        qCWarning(lcService).noquote() << settingsName + QStringLiteral(":") << problem;
    const bool listenChanged = !m_listenApplied || m_settings.listen != settings.listen ||
                               !m_settings.listenAddress.isEqual(settings.listenAddress) ||
                               m_settings.listenPort != settings.listenPort;
    m_settings = settings;
    if (listenChanged)
        applyListen();
    m_listenApplied = true;
    m_device->setSettings(settings);
}

void DeviceService::applyListen()
{
    m_server->closeTcp();
    if (!m_settings.listen)
        return;
    const QHostAddress& address = m_settings.listenAddress;
    if (!address.isLoopback()) {
        if (!m_options.allowRemote) {
            qCWarning(lcService).noquote()
                << QStringLiteral("LISTEN=") + address.toString() << "is not a loopback address: not"
                << "served; start with --allow-remote to serve it anyway";
            return;
        }
        qCWarning(lcService).noquote() << "serving the device on" << address.toString()
                                       << "- the device protocol has no authentication: anyone who reaches this "
                                          "port controls the device";
    }
    QString error;
    if (m_server->listenTcp(address, m_settings.listenPort, &error))
        qCInfo(lcService).noquote() << "serving control surfaces on tcp" << address.toString() << m_server->tcpPort();
    else
        qCWarning(lcService).noquote() << error;
}

void DeviceService::stopWhenIdle()
{
    // Clients stay until the end: the one whose exchange is in flight gets its reply.
    if (!m_device->isExchanging()) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        return;
    }
    qCInfo(lcService) << "stopping once the exchange in flight is over";
    connect(m_device, &DeviceConnection::free, QCoreApplication::instance(), &QCoreApplication::quit,
            Qt::QueuedConnection);
}

void DeviceService::deviceUp()
{
    m_server->setAccepting(true);
    // After the schedule's first load, which start() queued before the device could come up.
    QTimer::singleShot(0, this, [this] { catchUp(QStringLiteral("the device link is up")); });
}

void DeviceService::deviceDown(const QString& why)
{
    m_server->setAccepting(false, QStringLiteral("the device link is down (%1)").arg(why));
}

void DeviceService::checkClock()
{
    const QDateTime wall = ScheduleClock::now();
    const qint64 monotonic = m_monotonic.elapsed();
    const qint64 jumpMs = m_lastWall.msecsTo(wall) - (monotonic - m_lastMonotonic);
    m_lastWall = wall;
    m_lastMonotonic = monotonic;
    if (jumpMs > 60 * 1000)
        catchUp(QStringLiteral("the clock jumped forward by %1 s").arg(jumpMs / 1000));
}

void DeviceService::catchUp(const QString& why)
{
    if (m_settings.catchUp != ServiceSettings::CatchUp::Latest || !m_device->isUp())
        return;
    qCInfo(lcService).noquote() << "catch-up:" << why
                                << QStringLiteral("- looking back %1 minutes").arg(m_settings.catchUpMinutes);
    m_runner->catchUp(m_settings.catchUpMinutes);
}
