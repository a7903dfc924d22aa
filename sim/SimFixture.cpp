#include "sim/SimFixture.h"

#include "sim/SimDevice.h"

#include <QThread>

// The device exists from construction, so a test can set its state and faults before it starts.
SimFixture::SimFixture(Options options) : m_options(options), m_device(new SimDevice(options)) {}

SimFixture::~SimFixture()
{
    if (!m_thread) {
        delete m_device;
        return;
    }
    // The sockets, notifiers and timers belong to the simulator's thread and must die there.
    QMetaObject::invokeMethod(
        m_device, [this] { delete m_device; }, Qt::BlockingQueuedConnection);
    m_device = nullptr;
    m_thread->quit();
    m_thread->wait();
}

bool SimFixture::start()
{
    if (m_thread)
        return false;
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("rdx480-sim"));
    m_device->moveToThread(m_thread.get());
    m_thread->start();
    bool opened = false;
    QMetaObject::invokeMethod(
        m_device, [this, &opened] { opened = m_device->open(); }, Qt::BlockingQueuedConnection);
    if (!opened)
        qWarning("simulated device did not start: %s", qUtf8Printable(m_device->errorString()));
    return opened;
}

quint16 SimFixture::tcpPort() const
{
    return m_device ? m_device->tcpPort() : 0;
}

QString SimFixture::serialPath() const
{
    return m_device ? m_device->serialPath() : QString();
}

SimState SimFixture::state() const
{
    return m_device ? m_device->state() : SimState{};
}

void SimFixture::setState(const SimState& state)
{
    if (m_device)
        m_device->setState(state);
}

void SimFixture::setFaults(const SimFaults& faults)
{
    if (m_device)
        m_device->setFaults(faults);
}

QVector<Rdx::Frame> SimFixture::received() const
{
    return m_device ? m_device->received() : QVector<Rdx::Frame>{};
}

void SimFixture::clearReceived()
{
    if (m_device)
        m_device->clearReceived();
}

int SimFixture::repliesSent() const
{
    return m_device ? m_device->repliesSent() : 0;
}

int SimFixture::clientCount() const
{
    return m_device ? m_device->clientCount() : 0;
}
