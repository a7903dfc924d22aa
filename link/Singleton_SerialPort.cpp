#include "link/Singleton_SerialPort.h"

#include "link/OutputSize.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSerialPortInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unistd.h>
#include <utility>

#include <sys/socket.h>

Q_LOGGING_CATEGORY(lcLink, "rdx480.link")
Q_LOGGING_CATEGORY(lcLinkFrames, "rdx480.link.frames")

namespace {

std::unique_ptr<Singleton_SerialPort>& holder()
{
    static std::unique_ptr<Singleton_SerialPort> link;
    return link;
}

// Gives the transport's buffered bytes to the system as far as it takes them now.
void handOverWithoutBlocking(QIODevice* device)
{
    if (auto* socket = qobject_cast<QAbstractSocket*>(device))
        socket->flush();
    else if (auto* port = qobject_cast<QSerialPort*>(device))
        port->flush();
    else if (auto* local = qobject_cast<QLocalSocket*>(device))
        local->flush();
}

// A reset instead of an orderly close: what the system still holds for the device is thrown away, so the
// device never runs, seconds later, a frame the operator was told had failed.
void abortWithReset(QTcpSocket* socket)
{
    const qintptr fd = socket->socketDescriptor();
    if (fd >= 0) {
        const linger reset{1, 0};
        ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    const QSignalBlocker quiet(socket);
    socket->abort();
}

// The kind a reply reports, without decoding it: kind 6 with bit 7 of byte 4 set answers kind 7.
int reportedKind(const Rdx::Frame& reply)
{
    const int kind = static_cast<std::int8_t>(reply[3]);
    return kind == Rdx::PipSubWindowRead && (reply[4] & 0x80) ? int(Rdx::PipMainWindowRead) : kind;
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
    : replyTimer(new QTimer(this)), silenceTimer(new QTimer(this)), serialPort(new QSerialPort(this)),
      tcpSocket(new QTcpSocket(this)), localSocket(new QLocalSocket(this))
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    qRegisterMetaType<QAbstractSocket::SocketState>();

    replyTimer->setSingleShot(true);
    silenceTimer->setSingleShot(true);
    silenceTimer->setInterval(int(receiveBuffer.staleGapMs()) + 1);
    connect(silenceTimer, &QTimer::timeout, this, [this] { receive(QByteArray()); });

    connect(replyTimer, &QTimer::timeout, this, &Singleton_SerialPort::Rsp_time_out);
    connect(serialPort, &QSerialPort::readyRead, this, &Singleton_SerialPort::readDataPort);
    connect(serialPort, &QSerialPort::errorOccurred, this, &Singleton_SerialPort::handleError);
    connect(tcpSocket, &QTcpSocket::readyRead, this, &Singleton_SerialPort::readDataSocket);
    connect(tcpSocket, &QTcpSocket::disconnected, this, &Singleton_SerialPort::closeSocket);
    connect(tcpSocket, &QTcpSocket::stateChanged, this, &Singleton_SerialPort::stateChanged_show);
    connect(localSocket, &QLocalSocket::readyRead, this, &Singleton_SerialPort::readDataSocket);
    connect(localSocket, &QLocalSocket::disconnected, this, &Singleton_SerialPort::closeLocal);
}

Singleton_SerialPort::~Singleton_SerialPort()
{
    // Quietly: nobody is left to react to the last state change.
    const QSignalBlocker blocker(this);
    closeSerial();
}

void Singleton_SerialPort::startAfresh()
{
    if (serialPort->isOpen() || tcpSocket->state() != QAbstractSocket::UnconnectedState ||
        localSocket->state() != QLocalSocket::UnconnectedState)
        closeSerial();
    failureToShow = Rdx::Ready;
    openFailureReason.clear();
    openFailureDenied = false;
}

void Singleton_SerialPort::openSerial(QString ip, int port, int id)
{
    startAfresh();
    if (!localServerPath.isEmpty()) {
        // The service holds the device: new settings are only noted here (the window hands them to the
        // service's settings file), and the panel reconnects through the service.
        if (useNetwork && port != -1) {
            hostAddress = ip;
            tcpPort = port;
            deviceNumber = id;
        } else if (!useNetwork && !ip.isEmpty()) {
            serialPortName = ip;
            deviceNumber = id;
        }
        openLocalSocket();
    } else if (useNetwork)
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

void Singleton_SerialPort::openLocal(const QString& path, int id)
{
    startAfresh();
    localServerPath = path;
    deviceNumber = id;
    openLocalSocket();
}

void Singleton_SerialPort::openLocalSocket()
{
    linkState = Rdx::Connecting;
    emit sendWaiting(-2);
    localSocket->abort();
    receiveBuffer.clear();
    localSocket->connectToServer(localServerPath, QIODevice::ReadWrite);
    if (localSocket->waitForConnected(ConnectWaitMs)) {
        linkState = Rdx::Opened;
    } else {
        qCWarning(lcLink) << "no connection to the service at" << localServerPath << ":" << localSocket->errorString();
        openFailureReason = localSocket->errorString();
        openFailureDenied = false;
        reportFailure(Rdx::OpenFailed);
        localSocket->abort();
    }
    emit sendEnd();
}

void Singleton_SerialPort::closeLocal()
{
    // The service went away, or closed us because it lost the device.
    if (localServerPath.isEmpty())
        return;
    forgetExchange();
    linkState = Rdx::Closed;
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
    if (localSocket->state() != QLocalSocket::UnconnectedState) {
        // Closed on purpose: its disconnected signal is no news.
        const QSignalBlocker quiet(localSocket);
        localSocket->abort();
    }
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::closeSocket()
{
    // A socket that finishes closing after the link moved to the serial line (or to the service) says
    // nothing about the link now.
    if (!useNetwork || !localServerPath.isEmpty())
        return;
    forgetExchange();
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState)
        tcpSocket->disconnectFromHost();
    linkState = Rdx::Closed;
    emit sendEnd();
}

void Singleton_SerialPort::handleError(QSerialPort::SerialPortError error)
{
    // A hang-up (the far end closed, an adapter pulled) reads as end of file or EIO, over and over: the
    // port goes at once, or the read notifier spins a core. Handled once: closing raises more errors.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !serialPort->isOpen())
        return;
    loseConnection(QStringLiteral("serial line lost: ") + serialPort->errorString());
}

// The transport is gone (hang-up, vanished device, a write that did not get through): closed at once,
// whatever it still held discarded, the window told once, with the bar back at Connect.
void Singleton_SerialPort::loseConnection(const QString& why)
{
    qCWarning(lcLink).noquote() << why;
    forgetExchange();
    awaitingReply.clear();
    if (serialPort->isOpen()) {
        const QSignalBlocker quiet(serialPort);
        serialPort->clear();
        serialPort->close();
    }
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState)
        abortWithReset(tcpSocket);
    if (localSocket->state() != QLocalSocket::UnconnectedState) {
        const QSignalBlocker quiet(localSocket);
        localSocket->abort();
    }
    reportFailure(Rdx::SendFailed);
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
    if (!useNetwork)
        replyTimer->stop();
    // A device that marks its replies is kept in step by the markers, and a reply still on its way is
    // matched (or dropped as late) when it comes. Without markers, a partial reply is the only way out of
    // step: it goes, on either transport.
    if (!receiveBuffer.isMarked()) {
        if (!useNetwork && serialPort->isOpen())
            serialPort->clear();
        receiveBuffer.dropPartial();
    }
    pendingReads.clear();
    // The reads of the last exchange are forgotten; frames whose replies are still owed stay in line.
    awaitingReply.erase(std::remove_if(awaitingReply.begin(), awaitingReply.end(),
                                       [](const Awaited& a) { return !a.isLate() && a.key >= 0; }),
                        awaitingReply.end());
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
    if (!localServerPath.isEmpty())
        return localSocket->state() == QLocalSocket::ConnectedState;
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

std::optional<Rdx::Outcome> Singleton_SerialPort::cannotSend()
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
    return std::nullopt;
}

Rdx::Outcome Singleton_SerialPort::runCommand(int code, const int* params, int count)
{
    if (const auto refused = cannotSend())
        return *refused;

    // The frame is not reset: bytes past the last parameter keep what the previous frame had.
    count = std::clamp(count, 0, Rdx::ParameterCount);
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = std::uint8_t(code);
    for (int i = 0; i < count; ++i)
        frameBuffer[3 + i] = std::uint8_t(params[i]);

    const SendScope sending(*this);
    commandSent = true;
    const Rdx::Outcome outcome = exchange(CommandKey, CommandDeadlineMs);
    qCDebug(lcLink) << "res = " << int(outcome);
    emit sendEnd();
    return outcome;
}

Rdx::Outcome Singleton_SerialPort::exchangeFrame(const Rdx::Frame& request, Rdx::Frame* reply, int deadlineMs)
{
    if (const auto refused = cannotSend())
        return *refused;

    const SendScope sending(*this);
    frameBuffer = request;
    commandSent = false;
    const Rdx::Outcome outcome = exchange(RawKey, deadlineMs);
    if (reply && (outcome == Rdx::Outcome::Accepted || outcome == Rdx::Outcome::Refused))
        *reply = rawAnswer;
    emit sendEnd();
    return outcome;
}

// Sends frameBuffer and waits for the one reply that answers it. Past the deadline the frame is given
// up: its reply, should it still come, is dropped as late.
Rdx::Outcome Singleton_SerialPort::exchange(int key, int deadlineMs)
{
    // A reply still owed to a frame given up earlier would be indistinguishable from this frame's answer:
    // it is waited out first (dropped when it comes, forgotten when its grace runs out).
    if (owesLateReply()) {
        const Rdx::Frame frame = frameBuffer;
        qint64 until = 0;
        for (const Awaited& awaited : std::as_const(awaitingReply))
            until = std::max(until, awaited.lateUntilMs);
        waitForReply(int(std::max<qint64>(0, until - activeClock->nowMs()) + 1), [this] { return !owesLateReply(); });
        frameBuffer = frame; // a read asked again meanwhile used the frame buffer
        if (!isConnected())
            return Rdx::Outcome::Failed;
    }
    commandAnswer.reset();
    awaitingReply.append({key});
    if (!transmitFrame(CommandWaitMs))
        return Rdx::Outcome::Failed;
    waitForReply(deadlineMs, [this] { return commandAnswer.has_value(); });
    if (commandAnswer)
        return *commandAnswer;
    if (!isConnected())
        return Rdx::Outcome::Failed; // the transport went and has reported itself
    for (Awaited& awaited : awaitingReply) {
        if (awaited.key == key && !awaited.isLate()) {
            awaited.lateUntilMs = activeClock->nowMs() + LateReplyGraceMs;
            break;
        }
    }
    qCWarning(lcLink) << "no reply to" << Rdx::toHex(frameBuffer) << "within" << deadlineMs << "ms";
    reportFailure(Rdx::Unanswered);
    return Rdx::Outcome::Unanswered;
}

void Singleton_SerialPort::requestRead(int kind)
{
    const Rdx::ReadAddress address = Rdx::readAddress(kind, deviceState);
    sendReadRequest(address.kind, address.index, address.key);
}

void Singleton_SerialPort::sendReadRequest(int kind, int index, int key)
{
    if (cannotSend())
        return;

    const SendScope sending(*this);
    frameBuffer = Rdx::emptyFrame();
    frameBuffer[1] = std::uint8_t(deviceNumber);
    frameBuffer[2] = Rdx::ReadRequestCode;
    frameBuffer[3] = std::uint8_t(kind);
    frameBuffer[4] = std::uint8_t(index);
    pendingReads.insert(key, frameBuffer);
    awaitingReply.append({key});
    if (!transmitFrame(ReadWaitMs))
        return;
    waitForReply(ReadWaitMs, [this, key] { return !pendingReads.contains(key); });
}

QIODevice* Singleton_SerialPort::activeDevice() const
{
    if (!localServerPath.isEmpty())
        return localSocket;
    if (useNetwork)
        return tcpSocket;
    return serialPort;
}

void Singleton_SerialPort::setClock(LinkClock* clock)
{
    activeClock = clock ? clock : &realClock;
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
    if (!device->isOpen())
        return false; // lost while the window painted, and reported
    if (written != Rdx::FrameSize || !activeClock->waitForWritten(device, waitMs)) {
        // A frame left behind would reach the device later, after the operator was told it failed.
        loseConnection(QStringLiteral("could not send a frame: ") + device->errorString());
        return false;
    }
    return true;
}

// Waits until `answered` holds, the wait runs out or the transport closes. Replies are decoded (and
// signalled) in here, and a handler may send again from inside: `answered` is checked after each delivery.
void Singleton_SerialPort::waitForReply(int waitMs, const std::function<bool()>& answered)
{
    activeClock->waitFor(
        activeDevice(), waitMs, [&] { return answered() || !isConnected(); }, [this] { takeIncoming(); });
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
    const SendScope sending(*this);
    frameBuffer = pendingReads.first();
    const int key = pendingReads.firstKey();
    qCDebug(lcLink) << "re-send read, key" << key;
    awaitingReply.append({key});
    if (!transmitFrame(CommandWaitMs))
        return;
    waitForReply(CommandWaitMs, [this, key] { return !pendingReads.contains(key); });
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
    const QVector<Rdx::Frame> replies = receiveBuffer.feed(bytes, activeClock->nowMs());
    if (receiveBuffer.droppedBytes() != droppedBefore)
        qCDebug(lcLinkFrames) << "dropped" << receiveBuffer.droppedBytes() - droppedBefore
                              << "bytes that are no part of a reply";
    if (!receiveBuffer.isMarked() && receiveBuffer.pendingBytes() >= Rdx::FrameSize)
        silenceTimer->start();
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
    // Waits run the event loop: an end that falls inside a send is announced once the send is over.
    if (sendDepth > 0) {
        endDue = true;
        return;
    }
    endQueued = false;
    if (pendingReads.isEmpty())
        emit sendEnd();
}

void Singleton_SerialPort::sendFinished()
{
    if (--sendDepth > 0 || !endDue)
        return;
    endDue = false;
    QMetaObject::invokeMethod(this, &Singleton_SerialPort::announceEnd, Qt::QueuedConnection);
}

// The reply is the late answer to a frame given up earlier: it is dropped. In-order replies make the
// first owed one the candidate; one whose grace ran out was never answered and no longer counts.
bool Singleton_SerialPort::owesLateReply()
{
    const qint64 now = activeClock->nowMs();
    awaitingReply.erase(std::remove_if(awaitingReply.begin(), awaitingReply.end(),
                                       [now](const Awaited& a) { return a.isLate() && a.lateUntilMs < now; }),
                        awaitingReply.end());
    return std::any_of(awaitingReply.begin(), awaitingReply.end(), [](const Awaited& a) { return a.isLate(); });
}

bool Singleton_SerialPort::takeLateReply(const Rdx::Frame& reply)
{
    if (!owesLateReply() || !awaitingReply.first().isLate())
        return false;
    awaitingReply.removeFirst();
    ++lateReplyCount;
    qCWarning(lcLink) << "late reply" << Rdx::toHex(reply) << "dropped";
    // The late reply and the answer to a read now waiting look alike; had the late one been lost, this was
    // the read's answer. Asking again costs one frame and never leaves the read unanswered.
    if (reply[2] != Rdx::ErrorReplyCode) {
        const int key = reportedKind(reply);
        if (pendingReads.contains(key) && isConnected()) {
            const SendScope sending(*this);
            frameBuffer = pendingReads.value(key);
            awaitingReply.append({key});
            transmitFrame(ReadWaitMs);
        }
    }
    return true;
}

void Singleton_SerialPort::parseReply(const Rdx::Frame& reply)
{
    qCDebug(lcLinkFrames) << "read data----------------------" << pendingReads.size() << Rdx::toHex(reply);
    if (takeLateReply(reply))
        return;

    const bool isError = reply[2] == Rdx::ErrorReplyCode;
    const int head = awaitingReply.isEmpty() ? 0 : awaitingReply.first().key;
    const bool answersExchange = !awaitingReply.isEmpty() && (head == CommandKey || head == RawKey);
    int readKey = 0;
    int readAt = -1;
    if (!answersExchange && !awaitingReply.isEmpty()) {
        // Error replies carry no kind: one answers the oldest frame in line. Any other reply answers the
        // read of its kind.
        readKey = isError ? head : reportedKind(reply);
        for (int i = 0; i < awaitingReply.size() && readAt < 0; ++i)
            if (awaitingReply.at(i).key == readKey)
                readAt = i;
    }
    if (!answersExchange && (readAt < 0 || !pendingReads.contains(readKey))) {
        if (readAt >= 0)
            awaitingReply.removeAt(readAt); // a read asked twice, or one forgotten since: answered all the same
        ++unmatchedReplyCount;
        qCWarning(lcLink) << "reply" << Rdx::toHex(reply) << "answers nothing the link waits for; dropped";
        return;
    }

    const Rdx::DecodedReply decoded = Rdx::decodeReply(reply, deviceState, fastValues);
    for (unsigned field = 0; field < Rdx::StatusFieldCount; ++field)
        if (decoded.refusedFields & (1u << field))
            qCWarning(lcLink) << "status reply" << Rdx::toHex(reply) << "has"
                              << Rdx::statusFieldName(Rdx::StatusField(field))
                              << "out of range; the device copy keeps its value";

    if (answersExchange) {
        awaitingReply.removeFirst();
        commandAnswer = decoded.isError ? Rdx::Outcome::Refused : Rdx::Outcome::Accepted;
        if (head == RawKey)
            rawAnswer = reply;
        if (decoded.isError) {
            qCDebug(lcLink) << "device error" << decoded.errorCode << "for the frame in flight";
            reportFailure(Rdx::DeviceError + decoded.errorCode);
        } else {
            emit send_receive_end(decoded.kind);
        }
        return; // the sender ends the exchange
    }
    awaitingReply.removeAt(readAt);
    pendingReads.remove(readKey);
    if (decoded.isError) {
        qCDebug(lcLink) << "device error" << decoded.errorCode << "for read" << readKey;
        reportFailure(Rdx::DeviceError + decoded.errorCode);
        // The refused read ends; the overlay stays while other reads of the exchange are on their way.
        endReadsIfDone();
        return;
    }
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

