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
    : replyTimer(new QTimer(this)), serialPort(new QSerialPort(this)), tcpSocket(new QTcpSocket(this))
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    qRegisterMetaType<QAbstractSocket::SocketState>();

    replyTimer->setSingleShot(true);
    receiveClock.start();

    connect(replyTimer, &QTimer::timeout, this, &Singleton_SerialPort::Rsp_time_out);
    connect(serialPort, &QSerialPort::readyRead, this, &Singleton_SerialPort::readDataPort);
    connect(serialPort, &QSerialPort::errorOccurred, this, &Singleton_SerialPort::handleError);
    connect(tcpSocket, &QTcpSocket::readyRead, this, &Singleton_SerialPort::readDataSocket);
    connect(tcpSocket, &QTcpSocket::disconnected, this, &Singleton_SerialPort::closeSocket);
    connect(tcpSocket, &QTcpSocket::stateChanged, this, &Singleton_SerialPort::stateChanged_show);
}

Singleton_SerialPort::~Singleton_SerialPort()
{
    // Quietly: nobody is left to react to the last state change.
    const QSignalBlocker blocker(this);
    closeSerial();
}

void Singleton_SerialPort::openSerial(QString ip, int port, int id)
{
    // Also a transport the mode no longer names: the mode may have changed since it was opened.
    if (serialPort->isOpen() || tcpSocket->state() != QAbstractSocket::UnconnectedState)
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
    serialPort->setPortName(serialPortName);
    serialPort->setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    receiveBuffer.clear();

    linkState = serialPort->open(QIODevice::ReadWrite) ? Rdx::Opened : Rdx::OpenFailed;
    if (linkState == Rdx::OpenFailed)
        qCDebug(lcLink) << "serial port" << serialPortName << "did not open:" << serialPort->errorString();
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

    tcpSocket->abort();
    receiveBuffer.clear();
    tcpSocket->connectToHost(hostAddress, quint16(tcpPort), QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (tcpSocket->waitForConnected(ConnectWaitMs)) {
        linkState = Rdx::Opened;
    } else {
        linkState = Rdx::OpenFailed;
        tcpSocket->abort();
    }
    emit sendEnd();
}

void Singleton_SerialPort::closeSerial()
{
    qCDebug(lcLink) << "init end port";
    forgetExchange();
    // Whatever is open goes, not only the transport the mode names: a mode changed while a transport was
    // open would otherwise leave it open, its replies still decoded, or the serial port locked.
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState)
        tcpSocket->disconnectFromHost();
    if (serialPort->isOpen()) {
        serialPort->clear();
        serialPort->close();
    }
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::closeSocket()
{
    // A socket that finishes closing after the link moved to the serial line says nothing about the line.
    if (!useNetwork)
        return;
    forgetExchange();
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState)
        tcpSocket->disconnectFromHost();
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::handleError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError)
        return;
    qCDebug(lcLink) << "serial port lost:" << serialPort->errorString();
    forgetExchange();
    if (serialPort->isOpen()) {
        serialPort->clear();
        serialPort->close();
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
    replyTimer->stop();
    pendingReads.clear();
    commandSent = false;
    receiveBuffer.clear();
}

void Singleton_SerialPort::resetReads(int order)
{
    if (!useNetwork) {
        replyTimer->stop();
        if (serialPort->isOpen())
            serialPort->clear();
        receiveBuffer.clear();
    }
    pendingReads.clear();
    requestOrder = order;
    linkState = Rdx::Ready;
    commandSent = false;
}

bool Singleton_SerialPort::isConnected() const
{
    if (useNetwork)
        return tcpSocket->state() == QAbstractSocket::ConnectedState;
    return serialPort->isOpen();
}

bool Singleton_SerialPort::isReplyTimerActive() const
{
    return replyTimer->isActive();
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
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = std::uint8_t(code);
    for (int i = 0; i < count; ++i)
        frameBuffer[3 + i] = std::uint8_t(params[i]);

    commandSent = true;
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

    frameBuffer = Rdx::emptyFrame();
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = Rdx::ReadRequestCode;
    frameBuffer[3] = std::uint8_t(kind);
    frameBuffer[4] = std::uint8_t(index);
    pendingReads.insert(key, frameBuffer);
    transmitFrame(ReadWaitMs);
}

bool Singleton_SerialPort::transmitFrame(int waitMs)
{
    emit sendWaiting(requestOrder);
    // Reads are re-sent only when a set-command opened the exchange; a plain refresh is ended by the
    // main window's overall time-out instead.
    if (frameBuffer[2] == Rdx::ReadRequestCode && commandSent)
        replyTimer->start(ResendIntervalMs);
    return useNetwork ? writeSocket(waitMs) : writeSerial(waitMs);
}

bool Singleton_SerialPort::writeSerial(int waitMs)
{
    qCDebug(lcLinkFrames) << "--------------------send--------" << Rdx::toHex(frameBuffer) << "write";
    if (serialPort->write(Rdx::toByteArray(frameBuffer)) != Rdx::FrameSize)
        return false;
    if (!serialPort->waitForBytesWritten(waitMs)) {
        linkState = Rdx::SendFailed;
        return false;
    }
    serialPort->waitForReadyRead(waitMs);
    return true;
}

bool Singleton_SerialPort::writeSocket(int waitMs)
{
    if (tcpSocket->write(Rdx::toByteArray(frameBuffer)) != Rdx::FrameSize) {
        linkState = Rdx::SendFailed;
        emit sendEnd();
        return false;
    }
    qCDebug(lcLinkFrames) << "---send-----------------------" << Rdx::toHex(frameBuffer);
    if (!tcpSocket->waitForBytesWritten(waitMs)) {
        linkState = Rdx::SendFailed;
        emit sendEnd();
        return false;
    }
    tcpSocket->waitForReadyRead(waitMs);
    return true;
}

void Singleton_SerialPort::Rsp_time_out()
{
    commandSent = false;
    if (pendingReads.isEmpty())
        return;
    frameBuffer = pendingReads.first();
    qCDebug(lcLink) << "re-send read, key" << pendingReads.firstKey();
    transmitFrame(CommandWaitMs);
    if (!pendingReads.isEmpty())
        replyTimer->start(ResendIntervalMs);
}

void Singleton_SerialPort::readDataPort()
{
    // Handlers of a reply may wait for more data themselves; whatever arrived meanwhile is taken here.
    while (serialPort->bytesAvailable() > 0)
        receive(serialPort->readAll());
}

void Singleton_SerialPort::readDataSocket()
{
    while (tcpSocket->bytesAvailable() > 0)
        receive(tcpSocket->readAll());
}

void Singleton_SerialPort::receive(const QByteArray& bytes)
{
    const qint64 droppedBefore = receiveBuffer.droppedBytes();
    const QVector<Rdx::Frame> replies = receiveBuffer.feed(bytes, receiveClock.elapsed());
    if (receiveBuffer.droppedBytes() != droppedBefore)
        qCDebug(lcLink) << "dropped" << receiveBuffer.droppedBytes() - droppedBefore << "stale bytes";
    for (const Rdx::Frame& reply : replies)
        parseReply(reply);
}

void Singleton_SerialPort::parseReply(const Rdx::Frame& reply)
{
    qCDebug(lcLinkFrames) << "read data----------------------" << pendingReads.size() << Rdx::toHex(reply);

    const Rdx::DecodedReply decoded = Rdx::decodeReply(reply, deviceState, fastValues);
    if (decoded.isError) {
        qCDebug(lcLink) << "device error" << decoded.errorCode;
        linkState = Rdx::DeviceError + decoded.errorCode;
        emit sendEnd();
        return;
    }
    pendingReads.remove(decoded.kind);
    if (pendingReads.isEmpty()) {
        replyTimer->stop();
        emit sendEnd();
    }
    qCDebug(lcLink) << "queue size = " << pendingReads.size();
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

Rdx::Outcome Singleton_SerialPort::runCommand(int code, const int* params, int count)
{
    if (busy || (isConnected() && linkState < Rdx::Ready))
        return Rdx::Outcome::Busy;
    const int result = sendCommand(code, params, count);
    if (result < 0)
        return Rdx::Outcome::NotConnected;
    if (result == 0)
        return Rdx::Outcome::Failed;
    return linkState >= Rdx::DeviceError ? Rdx::Outcome::Refused : Rdx::Outcome::Accepted;
}

bool Singleton_SerialPort::isExchanging() const
{
    return !pendingReads.isEmpty();
}

int Singleton_SerialPort::takeFailure()
{
    const int state = linkState;
    const bool failure = state == Rdx::OpenFailed || state == Rdx::SendFailed || state == Rdx::NotConnected ||
                         state == Rdx::Unanswered || state > Rdx::DeviceError;
    return failure ? state : int(Rdx::Ready);
}
