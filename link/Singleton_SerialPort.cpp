#include "link/Singleton_SerialPort.h"

#include "link/OutputSize.h"

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcLink, "rdx480.link")
Q_LOGGING_CATEGORY(lcLinkFrames, "rdx480.link.frames")

namespace {

std::unique_ptr<Singleton_SerialPort>& holder()
{
    static std::unique_ptr<Singleton_SerialPort> link;
    return link;
}

} // namespace

Singleton_SerialPort* Singleton_SerialPort::instance()
{
    auto& link = holder();
    if (!link) {
        link.reset(new Singleton_SerialPort);
        // Post routines run inside the application object's destructor: the transports close while
        // the event dispatcher they belong to still exists.
        qAddPostRoutine(&Singleton_SerialPort::destroyInstance);
    }
    return link.get();
}

void Singleton_SerialPort::destroyInstance()
{
    holder().reset();
}

Singleton_SerialPort::Singleton_SerialPort()
    : m_replyTimer(new QTimer(this)), m_serialPort(new QSerialPort(this)), m_tcpSocket(new QTcpSocket(this))
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    qRegisterMetaType<QAbstractSocket::SocketState>();

    m_replyTimer->setSingleShot(true);
    m_clock.start();

    connect(m_replyTimer, &QTimer::timeout, this, &Singleton_SerialPort::Rsp_time_out);
    connect(m_serialPort, &QSerialPort::readyRead, this, &Singleton_SerialPort::readDataPort);
    connect(m_serialPort, &QSerialPort::errorOccurred, this, &Singleton_SerialPort::handleError);
    connect(m_tcpSocket, &QTcpSocket::readyRead, this, &Singleton_SerialPort::readDataSocket);
    connect(m_tcpSocket, &QTcpSocket::disconnected, this, &Singleton_SerialPort::closeSocket);
    connect(m_tcpSocket, &QTcpSocket::stateChanged, this, &Singleton_SerialPort::stateChanged_show);
}

Singleton_SerialPort::~Singleton_SerialPort()
{
    // Quietly: nobody is left to react to the last state change.
    const QSignalBlocker blocker(this);
    closeSerial();
}

void Singleton_SerialPort::openSerial(QString ip, int port, int id)
{
    if (isConnected())
        closeSerial();
    if (useNetwork)
        openSocket(ip, port, id);
    else
        openSerialPort(ip, id);
}

void Singleton_SerialPort::openSerialPort(const QString& name, int id)
{
    emit sendWaiting(-2);
    if (!name.isEmpty()) {
        serialPortName = name;
        deviceNumber = id;
    }
    m_serialPort->setPortName(serialPortName);
    m_serialPort->setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections);
    m_serialPort->setDataBits(QSerialPort::Data8);
    m_serialPort->setFlowControl(QSerialPort::NoFlowControl);
    m_serialPort->setParity(QSerialPort::NoParity);
    m_serialPort->setStopBits(QSerialPort::OneStop);
    m_assembler.clear();

    linkState = m_serialPort->open(QIODevice::ReadWrite) ? Rdx::Opened : Rdx::OpenFailed;
    if (linkState == Rdx::OpenFailed)
        qCDebug(lcLink) << "serial port" << serialPortName << "did not open:" << m_serialPort->errorString();
    emit sendEnd();
}

void Singleton_SerialPort::openSocket(const QString& ip, int port, int id)
{
    linkState = Rdx::Connecting;
    emit sendWaiting(-2);

    if (isConnected() && ip == hostAddress && port == tcpPort) {
        deviceNumber = id;
        linkState = Rdx::Connected;
        emit sendEnd();
        return;
    }
    // A new address comes with its device number; -1 means "the stored connection".
    if (port != -1) {
        hostAddress = ip;
        tcpPort = port;
        deviceNumber = id;
    }
    qCDebug(lcLink) << hostAddress << " " << tcpPort;

    m_tcpSocket->abort();
    m_assembler.clear();
    m_tcpSocket->connectToHost(hostAddress, quint16(tcpPort), QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (m_tcpSocket->waitForConnected(ConnectWaitMs)) {
        linkState = Rdx::Opened;
    } else {
        linkState = Rdx::OpenFailed;
        m_tcpSocket->abort();
    }
    emit sendEnd();
}

void Singleton_SerialPort::closeSerial()
{
    qCDebug(lcLink) << "init end port";
    forgetExchange();
    if (useNetwork) {
        if (m_tcpSocket->state() != QAbstractSocket::UnconnectedState)
            m_tcpSocket->disconnectFromHost();
    } else if (m_serialPort->isOpen()) {
        m_serialPort->clear();
        m_serialPort->close();
    }
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::closeSocket()
{
    forgetExchange();
    if (m_tcpSocket->state() != QAbstractSocket::UnconnectedState)
        m_tcpSocket->disconnectFromHost();
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::handleError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError)
        return;
    qCDebug(lcLink) << "serial port lost:" << m_serialPort->errorString();
    forgetExchange();
    if (m_serialPort->isOpen()) {
        m_serialPort->clear();
        m_serialPort->close();
    }
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::stateChanged_show(QAbstractSocket::SocketState state)
{
    qCDebug(lcLink) << "socket state" << state;
}

// Reads still pending on a closed connection would be re-sent into the void every two seconds.
void Singleton_SerialPort::forgetExchange()
{
    m_replyTimer->stop();
    m_pendingReads.clear();
    m_commandSent = false;
    m_assembler.clear();
}

void Singleton_SerialPort::resetReads(int order)
{
    if (!useNetwork) {
        m_replyTimer->stop();
        if (m_serialPort->isOpen())
            m_serialPort->clear();
        m_assembler.clear();
    }
    m_pendingReads.clear();
    requestOrder = order;
    linkState = Rdx::Ready;
    m_commandSent = false;
}

bool Singleton_SerialPort::isConnected() const
{
    if (useNetwork)
        return m_tcpSocket->state() == QAbstractSocket::ConnectedState;
    return m_serialPort->isOpen();
}

bool Singleton_SerialPort::isReplyTimerActive() const
{
    return m_replyTimer->isActive();
}

int Singleton_SerialPort::sendCommand(int code, const int* params, int count)
{
    if (busy)
        return -1;
    if (!isConnected()) {
        linkState = Rdx::NotConnected;
        emit sendEnd();
        return -1;
    }
    if (linkState < Rdx::Ready)
        return -1;

    // The frame is not reset: bytes past the last parameter keep what the previous frame had.
    count = std::clamp(count, 0, Rdx::ParameterCount);
    m_frameBuffer[1] = std::uint8_t(deviceNumber);
    m_frameBuffer[2] = std::uint8_t(code);
    for (int i = 0; i < count; ++i)
        m_frameBuffer[3 + i] = std::uint8_t(params[i]);

    m_commandSent = true;
    const bool written = transmitFrame(CommandWaitMs);
    qCDebug(lcLink) << "res = " << written;
    emit sendEnd();
    return written ? 1 : 0;
}

void Singleton_SerialPort::requestRead(int kind)
{
    const Rdx::ReadAddress address = Rdx::readAddress(kind, deviceState);
    sendReadRequest(address.kind, address.index, address.key);
}

void Singleton_SerialPort::sendReadRequest(int kind, int index, int key)
{
    if (busy)
        return;
    if (!isConnected()) {
        linkState = Rdx::NotConnected;
        emit sendEnd();
        return;
    }
    if (linkState < Rdx::Ready)
        return;

    m_frameBuffer = Rdx::emptyFrame();
    m_frameBuffer[1] = std::uint8_t(deviceNumber);
    m_frameBuffer[2] = Rdx::ReadRequestCode;
    m_frameBuffer[3] = std::uint8_t(kind);
    m_frameBuffer[4] = std::uint8_t(index);
    m_pendingReads.insert(key, m_frameBuffer);
    transmitFrame(ReadWaitMs);
}

bool Singleton_SerialPort::transmitFrame(int waitMs)
{
    emit sendWaiting(requestOrder);
    // Reads are re-sent only when a set-command opened the exchange; a plain refresh is ended by the
    // main window's overall time-out instead.
    if (m_frameBuffer[2] == Rdx::ReadRequestCode && m_commandSent)
        m_replyTimer->start(ResendIntervalMs);
    return useNetwork ? writeSocket(waitMs) : writeSerial(waitMs);
}

bool Singleton_SerialPort::writeSerial(int waitMs)
{
    qCDebug(lcLinkFrames) << "--------------------send--------" << Rdx::toHex(m_frameBuffer) << "write";
    if (m_serialPort->write(Rdx::toByteArray(m_frameBuffer)) != Rdx::FrameSize)
        return false;
    if (!m_serialPort->waitForBytesWritten(waitMs)) {
        linkState = Rdx::SendFailed;
        return false;
    }
    m_serialPort->waitForReadyRead(waitMs);
    return true;
}

bool Singleton_SerialPort::writeSocket(int waitMs)
{
    if (m_tcpSocket->write(Rdx::toByteArray(m_frameBuffer)) != Rdx::FrameSize) {
        linkState = Rdx::SendFailed;
        emit sendEnd();
        return false;
    }
    qCDebug(lcLinkFrames) << "---send-----------------------" << Rdx::toHex(m_frameBuffer);
    if (!m_tcpSocket->waitForBytesWritten(waitMs)) {
        linkState = Rdx::SendFailed;
        emit sendEnd();
        return false;
    }
    m_tcpSocket->waitForReadyRead(waitMs);
    return true;
}

void Singleton_SerialPort::Rsp_time_out()
{
    m_commandSent = false;
    if (m_pendingReads.isEmpty())
        return;
    m_frameBuffer = m_pendingReads.first();
    qCDebug(lcLink) << "re-send read, key" << m_pendingReads.firstKey();
    transmitFrame(CommandWaitMs);
    if (!m_pendingReads.isEmpty())
        m_replyTimer->start(ResendIntervalMs);
}

void Singleton_SerialPort::readDataPort()
{
    // Handlers of a reply may wait for more data themselves; whatever arrived meanwhile is taken here.
    while (m_serialPort->bytesAvailable() > 0)
        receive(m_serialPort->readAll());
}

void Singleton_SerialPort::readDataSocket()
{
    while (m_tcpSocket->bytesAvailable() > 0)
        receive(m_tcpSocket->readAll());
}

void Singleton_SerialPort::receive(const QByteArray& bytes)
{
    const qint64 droppedBefore = m_assembler.droppedBytes();
    const QVector<Rdx::Frame> replies = m_assembler.feed(bytes, m_clock.elapsed());
    if (m_assembler.droppedBytes() != droppedBefore)
        qCDebug(lcLink) << "dropped" << m_assembler.droppedBytes() - droppedBefore << "stale bytes";
    for (const Rdx::Frame& reply : replies)
        parseReply(reply);
}

void Singleton_SerialPort::parseReply(const Rdx::Frame& reply)
{
    qCDebug(lcLinkFrames) << "read data----------------------" << m_pendingReads.size() << Rdx::toHex(reply);

    const Rdx::DecodedReply decoded = Rdx::decodeReply(reply, deviceState, fastValues);
    if (decoded.isError) {
        qCDebug(lcLink) << "device error" << decoded.errorCode;
        linkState = Rdx::DeviceError + decoded.errorCode;
        emit sendEnd();
        return;
    }
    m_pendingReads.remove(decoded.kind);
    if (m_pendingReads.isEmpty()) {
        m_replyTimer->stop();
        emit sendEnd();
    }
    qCDebug(lcLink) << "queue size = " << m_pendingReads.size();
    emit send_receive_end(decoded.kind);
}

QStringList Singleton_SerialPort::availablePorts()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        QSerialPort probe(info);
        if (probe.open(QIODevice::ReadWrite)) {
            names.append(info.portName());
            probe.close();
        }
    }
    return names;
}

void Singleton_SerialPort::pipOutputSize(int& height, int& width) const
{
    Rdx::pipOutputSize(deviceState.outputFormat, height, width);
}

void Singleton_SerialPort::mosaicInputSize(int& height, int& width) const
{
    Rdx::mosaicInputSize(deviceState.outputFormat, height, width);
}

void Singleton_SerialPort::mosaicOutputSize(int& height, int& width) const
{
    Rdx::mosaicOutputSize(deviceState.outputFormat, height, width);
}
