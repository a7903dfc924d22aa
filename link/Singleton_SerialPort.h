#ifndef RDX480_LINK_SINGLETON_SERIALPORT_H
#define RDX480_LINK_SINGLETON_SERIALPORT_H

#include "link/CData.h"
#include "link/Frame.h"
#include "link/FrameAssembler.h"
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
#include <optional>

class QIODevice;
class QTcpSocket;
class QTimer;

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcLinkFrames)

// The one connection to the RDX480, over a serial line or TCP. Pages send set-commands and read requests
// through it and learn of replies through its signals; the main window opens and closes it and turns its
// state codes into messages. Sends block the caller for the transport waits, and replies may be decoded
// (and signalled) before a send returns.
class Singleton_SerialPort : public QObject
{
    Q_OBJECT

public:
    // Waits, in milliseconds, for a set-command, a read request and a TCP connect.
    static constexpr int CommandWaitMs = 500;
    static constexpr int ReadWaitMs = 400;
    static constexpr int ConnectWaitMs = 800;
    static constexpr int ResendIntervalMs = 2000;
    // A read still unanswered after this many re-sends is given up as unanswered.
    static constexpr int MaxResends = 2;

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

    // Prepares an exchange: forgets pending reads and makes the link Ready.
    void resetReads(int order);
    // The window's overall time-out ended the exchange: forget it, and send nothing more of it (a page may
    // still be in the middle of its reads) until the next resetReads.
    void giveUpExchange();
    // Sends one set-command and waits, up to CommandWaitMs, for the device's complete reply: the one
    // outcome every page and the schedule act on. Failures are reported to the window once, through
    // linkState and sendEnd.
    Rdx::Outcome runCommand(int code, const int* params, int count);
    // 1 sent and written, 0 the transport failed, -1 nothing was sent (busy, closed or not Ready).
    int sendCommand(int code, const int* params, int count);
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
    void Rsp_time_out();
    void readDataPort();
    void handleError(QSerialPort::SerialPortError error);
    void readDataSocket();
    void closeSocket();
    void stateChanged_show(QAbstractSocket::SocketState state);

private:
    Singleton_SerialPort();
    static void destroyInstance();

    void openSerialPort(const QString& name, int id);
    void openSocket(const QString& ip, int port, int id);
    void sendReadRequest(int kind, int index, int key);
    bool transmitFrame(int waitMs);
    QIODevice* activeDevice() const;
    void waitForReply(int waitMs, const std::function<bool()>& answered);
    void takeIncoming();
        void endReadsIfDone();
    void announceEnd();
    void forgetExchange();
    void parseReply(const Rdx::Frame& reply);

    // Every frame sent gets exactly one reply, in order; this queue says which frame the next error
    // reply answers (error replies carry no kind). A set-command waits in it as CommandKey.
    static constexpr int CommandKey = -1;
    QList<int> awaitingReply;
    std::optional<Rdx::Outcome> commandAnswer;
    int failureToShow = Rdx::Ready;
    int resendsLeft = MaxResends;
    int sendDepth = 0;
    bool endQueued = false;

    QMap<int, Rdx::Frame> pendingReads;
    QTimer* replyTimer;
    bool commandSent = false;
    Rdx::Frame frameBuffer = Rdx::emptyFrame();
    FrameAssembler receiveBuffer;
    QElapsedTimer receiveClock;
    QSerialPort* serialPort;
    QTcpSocket* tcpSocket;
};

#endif
