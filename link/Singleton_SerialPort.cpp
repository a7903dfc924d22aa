#include "link/Singleton_SerialPort.h"

#include "link/OutputSize.h"

#include <QCoreApplication>
#include <QFile>
#include <QSerialPortInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unistd.h>
#include <utility>

Q_LOGGING_CATEGORY(lcLink, "rdx480.link")
Q_LOGGING_CATEGORY(lcLinkFrames, "rdx480.link.frames")

namespace {

std::unique_ptr<Singleton_SerialPort>& holder()
{
    static std::unique_ptr<Singleton_SerialPort> link;
    return link;
}

// Marks a send in progress for as long as it lives, however the send returns.
class SendScope
{
public:
    explicit SendScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~SendScope() { --m_depth; }
    SendScope(const SendScope&) = delete;
    SendScope& operator=(const SendScope&) = delete;

private:
    int& m_depth;
};

// Gives the transport's buffered bytes to the system as far as it takes them now.
void handOverWithoutBlocking(QIODevice* device)
{
    if (auto* socket = qobject_cast<QAbstractSocket*>(device))
        socket->flush();
    else if (auto* port = qobject_cast<QSerialPort*>(device))
        port->flush();
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
    // What went wrong on an earlier connection is no news on this one.
    failureToShow = Rdx::Ready;
    openFailureReason.clear();
    openFailureDenied = false;
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

    if (serialPort->open(QIODevice::ReadWrite)) {
        linkState = Rdx::Opened;
    } else {
        qCWarning(lcLink) << "serial port" << serialPortName << "did not open:" << serialPort->errorString();
        openFailureReason = serialPort->errorString();
        // Qt also says "permission denied" for a port another program holds; only the node's own rights
        // point at the dialout group.
        const QByteArray node = QFile::encodeName(QSerialPortInfo(*serialPort).systemLocation());
        openFailureDenied = serialPort->error() == QSerialPort::PermissionError
                            && ::access(node.constData(), R_OK | W_OK) != 0 && errno == EACCES;
        reportFailure(Rdx::OpenFailed);
    }
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
        qCWarning(lcLink) << "no connection to" << hostAddress << tcpPort << ":" << tcpSocket->errorString();
        openFailureReason = tcpSocket->errorString();
        openFailureDenied = false;
        reportFailure(Rdx::OpenFailed);
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
    // Only a port that vanished is handled, once: flushing or closing the dead port raises the same
    // error again, which must not recurse.
    if (error != QSerialPort::ResourceError || !serialPort->isOpen())
        return;
    qCWarning(lcLink) << "serial port lost:" << serialPort->errorString();
    forgetExchange();
    {
        const QSignalBlocker quiet(serialPort);
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
    awaitingReply.clear();
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
    awaitingReply.clear();
    resendsLeft = MaxResends;
    requestOrder = order;
    linkState = Rdx::Ready;
    commandSent = false;
}

void Singleton_SerialPort::giveUpExchange()
{
    resetReads(requestOrder);
    replyTimer->stop();
    linkState = Rdx::Unanswered;
}

bool Singleton_SerialPort::isConnected() const
{
    if (useNetwork)
        return tcpSocket->state() == QAbstractSocket::ConnectedState;
    return serialPort->isOpen();
}

bool Singleton_SerialPort::isExchanging() const
{
    return sendDepth > 0 || !pendingReads.isEmpty() || endQueued;
}

int Singleton_SerialPort::takeFailure()
{
    return std::exchange(failureToShow, int(Rdx::Ready));
}

void Singleton_SerialPort::reportFailure(int state)
{
    linkState = state;
    failureToShow = state;
}

bool Singleton_SerialPort::isReplyTimerActive() const
{
    return replyTimer->isActive();
}

int Singleton_SerialPort::sendCommand(int code, const int* params, int count)
{
    switch (runCommand(code, params, count)) {
    case Rdx::Outcome::Accepted:
    case Rdx::Outcome::Refused:
    case Rdx::Outcome::Unanswered:
        return 1;
    case Rdx::Outcome::Failed:
        return 0;
    case Rdx::Outcome::Busy:
    case Rdx::Outcome::NotConnected:
        break;
    }
    return -1;
}

Rdx::Outcome Singleton_SerialPort::runCommand(int code, const int* params, int count)
{
    if (busy)
        return Rdx::Outcome::Busy;
    if (!isConnected()) {
        reportFailure(Rdx::NotConnected);
        emit sendEnd();
        return Rdx::Outcome::NotConnected;
    }
    if (linkState < Rdx::Ready)
        return Rdx::Outcome::Busy;

    // The frame is not reset: bytes past the last parameter keep what the previous frame had.
    count = std::clamp(count, 0, Rdx::ParameterCount);
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = std::uint8_t(code);
    for (int i = 0; i < count; ++i)
        frameBuffer[3 + i] = std::uint8_t(params[i]);

    const SendScope sending(sendDepth);
    commandSent = true;
    commandAnswer.reset();
    awaitingReply.append(CommandKey);
    Rdx::Outcome outcome = Rdx::Outcome::Failed;
    if (transmitFrame(CommandWaitMs)) {
        waitForReply(CommandWaitMs, [this] { return commandAnswer.has_value(); });
        if (commandAnswer) {
            outcome = *commandAnswer;
        } else if (isConnected()) {
            // A reply that comes after this must not be taken for the answer to a later frame.
            awaitingReply.removeOne(CommandKey);
            qCWarning(lcLink) << "no reply to set-command" << code << "within" << CommandWaitMs << "ms";
            reportFailure(Rdx::Unanswered);
            outcome = Rdx::Outcome::Unanswered;
        }
        // A transport that closed meanwhile has reported itself: the command simply failed.
    }
    qCDebug(lcLink) << "res = " << int(outcome);
    emit sendEnd();
    return outcome;
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
        reportFailure(Rdx::NotConnected);
        emit sendEnd();
        return;
    }
    if (linkState < Rdx::Ready)
        return;

    const SendScope sending(sendDepth);
    frameBuffer = Rdx::emptyFrame();
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = Rdx::ReadRequestCode;
    frameBuffer[3] = std::uint8_t(kind);
    frameBuffer[4] = std::uint8_t(index);
    pendingReads.insert(key, frameBuffer);
    awaitingReply.append(key);
    if (!transmitFrame(ReadWaitMs)) {
        emit sendEnd();
        return;
    }
    waitForReply(ReadWaitMs, [this, key] { return !awaitingReply.contains(key); });
}

QIODevice* Singleton_SerialPort::activeDevice() const
{
    if (useNetwork)
        return tcpSocket;
    return serialPort;
}

// Both transports write through here, so a failure is turned into one link state the same way on each.
bool Singleton_SerialPort::transmitFrame(int waitMs)
{
    // Reads are re-sent only when a set-command opened the exchange; a plain refresh is ended by the
    // main window's overall time-out instead.
    if (frameBuffer[2] == Rdx::ReadRequestCode && commandSent)
        replyTimer->start(ResendIntervalMs);

    QIODevice* device = activeDevice();
    qCDebug(lcLinkFrames) << "send" << Rdx::toHex(frameBuffer);
    // The frame leaves first and the window paints its wait overlay while the device answers; a transport
    // that does not take the frame at once is waited for only once the overlay is up.
    const qint64 written = device->write(Rdx::toByteArray(frameBuffer));
    if (written == Rdx::FrameSize)
        handOverWithoutBlocking(device);
    emit sendWaiting(requestOrder);
    if (written != Rdx::FrameSize || (device->bytesToWrite() > 0 && !device->waitForBytesWritten(waitMs))) {
        qCWarning(lcLink) << "could not send a frame:" << device->errorString();
        // Nothing more of this exchange can arrive: forget it, or the re-send timer would fail again.
        forgetExchange();
        reportFailure(Rdx::SendFailed);
        return false;
    }
    return true;
}

// Blocks until `answered` holds, the wait runs out or the transport closes. Replies are decoded (and
// signalled) in here, and a handler may send again from inside: `answered` is checked after each delivery.
void Singleton_SerialPort::waitForReply(int waitMs, const std::function<bool()>& answered)
{
    QElapsedTimer clock;
    clock.start();
    takeIncoming();
    while (!answered() && isConnected()) {
        const qint64 left = waitMs - clock.elapsed();
        if (left <= 0)
            break;
        // Inside a readyRead handler the transport does not signal again, so take the bytes here.
        const bool arrived = activeDevice()->waitForReadyRead(int(left));
        takeIncoming();
        if (!arrived && clock.elapsed() >= waitMs)
            break;
    }
}

void Singleton_SerialPort::takeIncoming()
{
    QIODevice* device = activeDevice();
    while (device->isOpen() && device->bytesAvailable() > 0)
        receive(device->readAll());
}

void Singleton_SerialPort::Rsp_time_out()
{
    commandSent = false;
    if (pendingReads.isEmpty())
        return;
    if (resendsLeft <= 0) {
        qCWarning(lcLink) << "reads" << pendingReads.keys() << "unanswered after" << MaxResends << "re-sends";
        forgetExchange();
        reportFailure(Rdx::Unanswered);
        emit sendEnd();
        return;
    }
    --resendsLeft;
    const SendScope sending(sendDepth);
    frameBuffer = pendingReads.first();
    const int key = pendingReads.firstKey();
    qCDebug(lcLink) << "re-send read, key" << key;
    awaitingReply.append(key);
    if (!transmitFrame(CommandWaitMs)) {
        emit sendEnd();
        return;
    }
    waitForReply(CommandWaitMs, [this, key] { return !awaitingReply.contains(key); });
    if (!pendingReads.isEmpty())
        replyTimer->start(ResendIntervalMs);
}

void Singleton_SerialPort::readDataPort()
{
    takeIncoming();
}

void Singleton_SerialPort::readDataSocket()
{
    takeIncoming();
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

void Singleton_SerialPort::endReadsIfDone()
{
    if (!pendingReads.isEmpty())
        return;
    replyTimer->stop();
    // A page reads several kinds in a row, each answered before the next goes out: the exchange is over
    // only when control is back in the event loop with nothing pending. Ending it at the first answer
    // would stop the window's overall time-out while later reads are still on their way.
    if (!endQueued) {
        endQueued = true;
        QMetaObject::invokeMethod(this, &Singleton_SerialPort::announceEnd, Qt::QueuedConnection);
    }
}

void Singleton_SerialPort::announceEnd()
{
    endQueued = false;
    if (pendingReads.isEmpty() && sendDepth == 0)
        emit sendEnd();
}

void Singleton_SerialPort::parseReply(const Rdx::Frame& reply)
{
    qCDebug(lcLinkFrames) << "read data----------------------" << pendingReads.size() << Rdx::toHex(reply);

    const Rdx::DecodedReply decoded = Rdx::decodeReply(reply, deviceState, fastValues);
    if (decoded.isError) {
        if (awaitingReply.isEmpty()) {
            // Its frame was given up already, and that failure was reported.
            qCWarning(lcLink) << "device error" << decoded.errorCode << "answers no frame; ignored";
            return;
        }
        const int key = awaitingReply.takeFirst();
        qCDebug(lcLink) << "device error" << decoded.errorCode << "for" << key;
        reportFailure(Rdx::DeviceError + decoded.errorCode);
        if (key == CommandKey) {
            commandAnswer = Rdx::Outcome::Refused; // runCommand ends the exchange
            return;
        }
        // The refused read ends; the overlay stays while other reads of the exchange are on their way.
        pendingReads.remove(key);
        endReadsIfDone();
        return;
    }
    if (!awaitingReply.isEmpty() && awaitingReply.first() == CommandKey) {
        awaitingReply.removeFirst();
        commandAnswer = Rdx::Outcome::Accepted;
    } else {
        awaitingReply.removeOne(decoded.kind);
    }
    pendingReads.remove(decoded.kind);
    endReadsIfDone();
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

