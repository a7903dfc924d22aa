#include "service/DeviceConnection.h"

#include "link/Singleton_SerialPort.h"
#include "service/ServiceLog.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>

DeviceConnection::DeviceConnection(QObject* parent)
    : QObject(parent), m_link(Singleton_SerialPort::instance()), m_retry(new QTimer(this)),
      m_nodeWatch(new QTimer(this))
{
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &DeviceConnection::open);
    m_nodeWatch->setInterval(SerialPollMs);
    connect(m_nodeWatch, &QTimer::timeout, this, &DeviceConnection::checkNode);
    // Looked at after the signal's sender is done: a link that closes inside an exchange ends it first.
    connect(m_link, &Singleton_SerialPort::sendEnd, this, &DeviceConnection::checkLink, Qt::QueuedConnection);
}

DeviceConnection::~DeviceConnection()
{
    stop();
}

void DeviceConnection::setSettings(const ServiceSettings& settings)
{
    const bool reconnect = !m_running || !settings.sameDevice(m_settings);
    const ServiceSettings before = m_settings;
    m_settings = settings;
    if (!reconnect)
        return;
    if (m_running) {
        qCInfo(lcService).noquote() << "device settings changed from" << before.describeDevice() << "to"
                                    << settings.describeDevice() << "- reconnecting";
        const bool wasUp = m_up;
        m_up = false;
        m_nodeWatch->stop();
        {
            const QSignalBlocker quiet(m_link);
            m_link->closeSerial();
        }
        if (wasUp)
            emit down(QStringLiteral("device settings changed"));
    }
    m_running = true;
    m_retryMs = FirstRetryMs;
    m_lastFailure.clear();
    m_retry->stop();
    open();
}

void DeviceConnection::stop()
{
    m_running = false;
    m_retry->stop();
    m_nodeWatch->stop();
    const QSignalBlocker quiet(m_link);
    if (m_link->isConnected())
        m_link->closeSerial();
    m_up = false;
}

void DeviceConnection::open()
{
    if (!m_running || m_up)
        return;
    QString failure;
    {
        // The link's own open/close signals are for a window; the outcome is read here.
        const QSignalBlocker quiet(m_link);
        m_link->useNetwork = m_settings.network;
        if (m_settings.network) {
            m_link->openSerial(m_settings.ip, m_settings.port, m_settings.id);
        } else if (!QFileInfo::exists(m_settings.serialNode())) {
            failure = QStringLiteral("serial port %1 is not there").arg(m_settings.serialNode());
        } else {
            m_link->openSerial(m_settings.portName, -1, m_settings.id);
        }
        m_link->takeFailure();
    }
    if (failure.isEmpty() && m_link->isConnected()) {
        m_link->resetReads(-2);
        m_up = true;
        m_retryMs = FirstRetryMs;
        m_lastFailure.clear();
        qCInfo(lcService).noquote() << "device link up:" << m_settings.describeDevice();
        if (!m_settings.network)
            m_nodeWatch->start();
        emit up();
        return;
    }
    if (failure.isEmpty())
        failure = QStringLiteral("cannot open %1").arg(m_settings.describeDevice());
    // One line per kind of failure, not one every retry through a night without the device.
    if (failure != m_lastFailure)
        qCInfo(lcService).noquote() << "device link down:" << failure << "- trying again";
    m_lastFailure = failure;
    retryLater();
}

void DeviceConnection::retryLater()
{
    if (!m_running)
        return;
    if (!m_settings.network) {
        // Watching for the node is cheap, and a device plugged back in is used at once.
        m_retry->start(SerialPollMs);
        return;
    }
    m_retry->start(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, int(LastRetryMs));
}

void DeviceConnection::checkNode()
{
    // An unplugged adapter's node goes away; the open port does not always say so until it is written to.
    if (!m_up || m_exchanging || m_settings.network || QFileInfo::exists(m_settings.serialNode()))
        return;
    {
        const QSignalBlocker quiet(m_link);
        m_link->closeSerial();
    }
    checkLink();
}

void DeviceConnection::checkLink()
{
    if (!m_up || m_link->isConnected())
        return;
    m_up = false;
    m_nodeWatch->stop();
    const QString why = m_settings.network ? QStringLiteral("the device closed the connection")
                                           : QStringLiteral("the serial port went away");
    qCInfo(lcService).noquote() << "device link lost:" << why;
    m_lastFailure.clear();
    emit down(why);
    m_retryMs = FirstRetryMs;
    retryLater();
}

// The link waits for a reply in the event loop, where clients and the schedule keep coming: whoever comes
// while an exchange runs is told Busy and tries again once free() is emitted.
Rdx::Outcome DeviceConnection::exchange(const Rdx::Frame& request, Rdx::Frame* reply)
{
    if (!m_up || m_exchanging)
        return m_up ? Rdx::Outcome::Busy : Rdx::Outcome::NotConnected;
    m_exchanging = true;
    const Rdx::Outcome outcome = exchangeNow(request, reply);
    m_exchanging = false;
    emit free();
    return outcome;
}

Rdx::Outcome DeviceConnection::exchangeNow(const Rdx::Frame& request, Rdx::Frame* reply)
{
    if (!m_up)
        return Rdx::Outcome::NotConnected;
    m_link->resetReads(-2);
    m_link->takeFailure();
    qCDebug(lcServiceFrames).noquote() << "to device  " << Rdx::toHex(request);
    const Rdx::Outcome outcome = m_link->exchangeFrame(request, reply, Singleton_SerialPort::CommandDeadlineMs);
    if (reply && (outcome == Rdx::Outcome::Accepted || outcome == Rdx::Outcome::Refused))
        qCDebug(lcServiceFrames).noquote() << "from device" << Rdx::toHex(*reply);
    m_link->takeFailure();
    if (!m_link->isConnected())
        checkLink();
    return outcome;
}

Rdx::Frame DeviceConnection::frame(int code, std::initializer_list<int> params) const
{
    Rdx::Frame f = Rdx::emptyFrame();
    f[1] = std::uint8_t(m_settings.id);
    f[2] = std::uint8_t(code);
    int i = 3;
    for (int p : params)
        f[i++] = std::uint8_t(p);
    return f;
}

Rdx::Outcome DeviceConnection::switchInput(int code)
{
    if (!m_up || m_exchanging)
        return m_up ? Rdx::Outcome::Busy : Rdx::Outcome::NotConnected;
    // One piece: no client's frame may change PIP or the switch mode between the status and the switch.
    m_exchanging = true;
    Rdx::Outcome outcome = exchangeNow(frame(Rdx::ReadRequestCode, {Rdx::StatusRead, 0}), nullptr);
    if (outcome == Rdx::Outcome::Accepted) {
        const bool pipOn = m_link->deviceState.pipOn != 0;
        const bool takeMode = m_link->deviceState.takeMode != 0;
        outcome = exchangeNow(frame(pipOn ? Rdx::PipInputCommand : Rdx::SwitchInputCommand, {code}), nullptr);
        // In preselect + TAKE mode the input command only preselects; the schedule means the output.
        if (outcome == Rdx::Outcome::Accepted && takeMode && !pipOn)
            outcome = exchangeNow(frame(Rdx::TakeCommand, {0}), nullptr);
        if (outcome == Rdx::Outcome::Accepted)
            exchangeNow(frame(Rdx::ReadRequestCode, {Rdx::StatusRead, 0}), nullptr);
    }
    m_exchanging = false;
    emit free();
    return outcome;
}
