#ifndef RDX480_LINK_SINGLETON_SERIALPORT_H
#define RDX480_LINK_SINGLETON_SERIALPORT_H

#include "link/CData.h"
#include "link/Frame.h"
#include "link/FrameAssembler.h"
#include "link/LinkClock.h"
#include "link/ReplyDecoder.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QList>
#include <QLoggingCategory>
#include <QMap>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;
class QLocalSocket;
class QTcpSocket;
class QTimer;

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcLinkFrames)

// The one connection to the RDX480, over a serial line or TCP. Pages send set-commands and read requests
// through it and learn of replies through its signals; the main window opens and closes it and turns its
// state codes into messages. A send returns once its exchange is over (accepted, refused, unanswered or
// failed); while it waits, the event loop runs without user input, so replies are decoded (and signalled)
// and timers fire before the send returns.
class Singleton_SerialPort : public QObject
{
    Q_OBJECT

public:
    // Waits, in milliseconds, for a set-command, a read request and a TCP connect.
    static constexpr int CommandWaitMs = 500;
    static constexpr int ReadWaitMs = 400;
    static constexpr int ConnectWaitMs = 800;
    static constexpr int ResendIntervalMs = 2000;
    // How long a set-command's reply may take and still answer it: the device may carry out a command well
    // after the send's own wait. The service and the command line use the same deadline.
    static constexpr int CommandDeadlineMs = 5000;
    // A read still unanswered after this many re-sends is given up as unanswered.
    static constexpr int MaxResends = 2;
    // A set-command given up at its deadline may still be answered this much later; a reply within it is
    // the late one and is dropped, not taken for the answer to a later frame.
    static constexpr int LateReplyGraceMs = CommandDeadlineMs;

    // Created on first use; closed and destroyed just before the application object goes away.
    static Singleton_SerialPort* instance();

    ~Singleton_SerialPort() override;

    // Shared with the pages and the main window, as the device's manual names them.
    int linkState = Rdx::Connecting;
    CData deviceState;
    Rdx::FastValues fastValues{};
    bool busy = false;
    int requestOrder = 0;
    QString hostAddress;
    QString serialPortName;
    int tcpPort = 0;
    int deviceNumber = 0;
    bool useNetwork = false;
    // Set while the device is reached through the rdx480d service on this Unix socket instead of directly:
    // the same frames, but the service holds the device. The fields above still describe the device, so
    // openSerial then only takes new settings and reconnects through the service.
    QString localServerPath;

    // Prepares an exchange: forgets pending reads and makes the link Ready.
    void resetReads(int order);
    // The window's overall time-out ended the exchange: forget it, and send nothing more of it (a page may
    // still be in the middle of its reads) until the next resetReads.
    void giveUpExchange();
    // Sends one set-command and waits, up to CommandDeadlineMs, for the device's complete reply: the one
    // outcome every page and the schedule act on. Failures are reported to the window once, through
    // linkState and sendEnd.
    Rdx::Outcome runCommand(int code, const int* params, int count);
    // 1 sent and written, 0 the transport failed, -1 nothing was sent (busy, closed or not Ready).
    int sendCommand(int code, const int* params, int count);
    // Sends `request` exactly as given (a frame from a client of the service, or typed by a script) and
    // waits up to deadlineMs for the reply that answers it, which is handed back in `reply` (an error reply
    // too). The device copy follows the reply as it follows any other.
    Rdx::Outcome exchangeFrame(const Rdx::Frame& request, Rdx::Frame* reply, int deadlineMs = CommandDeadlineMs);
    void requestRead(int kind);
    bool isConnected() const;
    // A frame is on its way, or read requests still wait for their replies.
    bool isExchanging() const;
    // The failure state (OpenFailed, SendFailed, NotConnected, Unanswered, DeviceError + code) that has
    // not been shown yet, or Ready when there is none; taking it marks it shown, so each failure is
    // reported exactly once however many sendEnd signals follow it.
    int takeFailure();
    // Sets linkState to a failure state for the window to show once, at the next sendEnd.
    void reportFailure(int state);
    // Why the last open failed, in the system's words (empty before any failure), and whether it was the
    // account's lack of access to the serial node.
    QString openFailureReason;
    bool openFailureDenied = false;
    static QStringList availablePorts();

    void pipOutputSize(int& height, int& width) const;
    void mosaicInputSize(int& height, int& width) const;
    void mosaicOutputSize(int& height, int& width) const;

    // The device error code of the last error reply (linkState - DeviceError while it is one).
    int deviceErrorCode() const { return linkState >= Rdx::DeviceError ? linkState - Rdx::DeviceError : -1; }

    // For tests and the debug log.
    QList<int> pendingReadKeys() const { return pendingReads.keys(); }
    bool isReplyTimerActive() const;
    bool isCommandSent() const { return commandSent; }
    Rdx::Frame lastSentFrame() const { return frameBuffer; }
    int bufferedReplyBytes() const { return receiveBuffer.pendingBytes(); }
    // Counted since start: bytes that were no part of a reply, replies that came after their frame was
    // given up, and replies that answered nothing the link waited for.
    qint64 droppedBytes() const { return receiveBuffer.droppedBytes(); }
    qint64 lateReplies() const { return lateReplyCount; }
    qint64 unmatchedReplies() const { return unmatchedReplyCount; }

    // The clock and waits the link uses; nullptr puts the real one back. The link does not own it.
    void setClock(LinkClock* clock);
    LinkClock* clock() const { return activeClock; }

    // Takes bytes as they came from the active transport, in whatever pieces it delivered them.
    void receive(const QByteArray& bytes);

signals:
    void sendWaiting(int order);
    void sendEnd();
    void send_receive_end(int order);
    void sendStarTime(int timeCount);
    void fast1_charge();

public slots:
    void closeSerial();
    void openSerial(QString ip = QString(), int port = -1, int id = 0);
    // Reaches the device through the service listening on `path`; id is the device number to send.
    void openLocal(const QString& path, int id);
    void Rsp_time_out();
    void readDataPort();
    void handleError(QSerialPort::SerialPortError error);
    void readDataSocket();
    void closeSocket();
    void closeLocal();
    void stateChanged_show(QAbstractSocket::SocketState state);

private:
    Singleton_SerialPort();
    static void destroyInstance();

    // Closes whatever transport is open (the mode may have changed since it was opened) and forgets what
    // went wrong on it: an earlier connection's failure is no news on the next.
    void startAfresh();
    void openSerialPort(const QString& name, int id);
    void openSocket(const QString& ip, int port, int id);
    void openLocalSocket();
    void sendReadRequest(int kind, int index, int key);
    // Why no frame may go out now (busy, closed, not Ready), or nothing when one may; a closed link is
    // reported to the window.
    std::optional<Rdx::Outcome> cannotSend();
    bool transmitFrame(int waitMs);
    QIODevice* activeDevice() const;
    void waitForReply(int waitMs, const std::function<bool()>& answered);
    void takeIncoming();
    void endReadsIfDone();
    void announceEnd();
    void forgetExchange();
    void loseConnection(const QString& why);
    Rdx::Outcome exchange(int key, int deadlineMs);
    void parseReply(const Rdx::Frame& reply);
    bool owesLateReply();
    bool takeLateReply(const Rdx::Frame& reply);
    void sendFinished();

    // Marks a send in progress for as long as it lives, however the send returns.
    class SendScope
    {
    public:
        explicit SendScope(Singleton_SerialPort& link) : m_link(link) { ++m_link.sendDepth; }
        ~SendScope() { m_link.sendFinished(); }
        SendScope(const SendScope&) = delete;
        SendScope& operator=(const SendScope&) = delete;

    private:
        Singleton_SerialPort& m_link;
    };

    // Every frame sent gets at most one reply, in order; this queue says which frame the next error reply
    // answers (error replies carry no kind), and which replies are late ones to drop. A set-command waits
    // in it as CommandKey, a read under its key.
    static constexpr int CommandKey = -1;
    // A frame sent by exchangeFrame: whatever comes next answers it.
    static constexpr int RawKey = -2;
    struct Awaited
    {
        int key = 0;
        qint64 lateUntilMs = -1; // >= 0: given up; a reply until then is its late one
        bool isLate() const { return lateUntilMs >= 0; }
    };
    Rdx::Frame rawAnswer = Rdx::emptyFrame();
    QList<Awaited> awaitingReply;
    qint64 lateReplyCount = 0;
    qint64 unmatchedReplyCount = 0;
    bool endDue = false;
    EventLoopClock realClock;
    LinkClock* activeClock = &realClock;
    std::optional<Rdx::Outcome> commandAnswer;
    int failureToShow = Rdx::Ready;
    int resendsLeft = MaxResends;
    int sendDepth = 0;
    bool endQueued = false;

    QMap<int, Rdx::Frame> pendingReads;
    QTimer* replyTimer;
    QTimer* silenceTimer; // hands the assembler the silence it waits for, on a line without markers
    bool commandSent = false;
    Rdx::Frame frameBuffer = Rdx::emptyFrame();
    FrameAssembler receiveBuffer;
    QSerialPort* serialPort;
    QTcpSocket* tcpSocket;
    QLocalSocket* localSocket;
};

#endif
