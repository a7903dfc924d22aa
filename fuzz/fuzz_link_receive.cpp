// Drives the link's receive path - the one both transports feed - with arbitrary bytes in arbitrary
// pieces. In TCP mode a loopback peer stands in for the device, so read requests really go out and wait,
// and some pieces arrive over the socket while a request is still waiting for its reply. After every piece:
// fewer than 13 bytes stay buffered, the link state is an ordinary one or a device error (100 + 0..255),
// pending reads only ever shrink, and every decoded field stays within the bits it was taken from.

#include "fuzz/FuzzCheck.h"
#include "link/Singleton_SerialPort.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <fuzzer/FuzzedDataProvider.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// The device's end of the TCP link: on its own thread, as a real device is, so that a reply can arrive
// while the link waits for it. Each request read from the link is answered with the piece queued for it.
class Peer
{
public:
    explicit Peer(int fd) : m_fd(fd) {}
    void queueReply(const QByteArray& bytes)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_reply = bytes;
    }
    qint64 sentBytes() const { return m_sent; }
    // Waits until the peer has answered `count` requests in all, so that no answer of one input can arrive
    // during the next. False if the peer did not get there in time.
    bool waitUntilAnswered(qint64 count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_answered.wait_for(lock, std::chrono::seconds(10), [&] { return m_requests >= count; });
    }

    void run()
    {
        char request[Rdx::FrameSize];
        for (;;) {
            std::size_t got = 0;
            while (got < sizeof request) {
                const ssize_t n = ::read(m_fd, request + got, sizeof request - got);
                if (n <= 0)
                    return;
                got += std::size_t(n);
            }
            QByteArray reply;
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                reply.swap(m_reply);
            }
            if (!reply.isEmpty() && ::write(m_fd, reply.constData(), std::size_t(reply.size())) == reply.size())
                m_sent += reply.size();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                ++m_requests;
            }
            m_answered.notify_all();
        }
    }

private:
    int m_fd;
    std::mutex m_mutex;
    QByteArray m_reply;
    std::atomic<qint64> m_sent{0};
    std::condition_variable m_answered;
    qint64 m_requests = 0;
};

struct Harness
{
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<Peer> peer;
    Singleton_SerialPort* link = nullptr;
    qint64 replies = 0;      // decoded replies of any kind, error replies included
    qint64 requestsSent = 0; // frames the link wrote to the peer
    bool removedKindStillPending = false;
};

// A listening loopback socket, the link connected to it, and the accepted end handed to the peer thread.
std::unique_ptr<Peer> connectPeer(Singleton_SerialPort& link)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return nullptr;
    link.useNetwork = true;
    link.openSerial(QStringLiteral("127.0.0.1"), ntohs(address.sin_port), 1);
    const int fd = link.isConnected() ? ::accept(listener, nullptr, nullptr) : -1;
    ::close(listener);
    if (fd < 0)
        return nullptr;
    auto peer = std::make_unique<Peer>(fd);
    std::thread(&Peer::run, peer.get()).detach(); // ends when the link closes its socket at exit
    return peer;
}

Harness& harness()
{
    static Harness h = [] {
        Harness made;
        static int argc = 1;
        static char name[] = "fuzz_link_receive";
        static char* argv[] = {name, nullptr};
        made.app = std::make_unique<QCoreApplication>(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("rdx480.*=false\nqt.*=false"));
        made.link = Singleton_SerialPort::instance();
        made.peer = connectPeer(*made.link);
        if (!made.peer)
            std::fprintf(stderr, "no loopback peer: TCP mode runs without pending reads\n");
        return made;
    }();
    return h;
}

constexpr int ExchangeOrder = 7;

bool isKnownState(int state)
{
    switch (state) {
    case Rdx::Connecting:
    case Rdx::Opened:
    case Rdx::OpenFailed:
    case Rdx::SendFailed:
    case Rdx::Closed:
    case Rdx::NotConnected:
    case Rdx::Connected:
    case Rdx::Ready:
        return true;
    default:
        return state >= Rdx::DeviceError && state <= Rdx::DeviceError + 255;
    }
}

bool inRange(int value, int highest)
{
    return value >= 0 && value <= highest;
}

bool recordInRange(const WindowRecord& record, int firstHighest)
{
    if (!inRange(record.bytes[0], firstHighest))
        return false;
    for (int b : record.bytes)
        if (!inRange(b, 255))
            return false;
    return true;
}

// Every field is cut from reply bytes by shifts and masks, so its range follows from the bits it takes.
void checkDeviceCopy(const Singleton_SerialPort& link)
{
    const CData& s = link.deviceState;
    FUZZ_CHECK(inRange(s.outputFormat, 255));
    FUZZ_CHECK(inRange(s.mainInput, 15) && inRange(s.switchTime, 15));
    FUZZ_CHECK(inRange(s.pipInput, 15) && inRange(s.presetInput, 15));
    FUZZ_CHECK(inRange(s.dviHotplug, 1) && inRange(s.extInputMode, 7) && inRange(s.audio1Source, 7));
    FUZZ_CHECK(inRange(s.audio2Source, 15) && inRange(s.audio3Source, 15));
    FUZZ_CHECK(inRange(s.fastLayout, 15) && inRange(s.pipModel, 15));
    FUZZ_CHECK(inRange(s.takeMode, 1) && inRange(s.pipOn, 1) && inRange(s.showModel, 3) && inRange(s.outputPort, 7));
    FUZZ_CHECK(inRange(s.brightness, 255) && inRange(s.contrast, 255) && inRange(s.color, 255));
    FUZZ_CHECK(inRange(s.outputBrightness, 255));
    FUZZ_CHECK(recordInRange(s.subWindow, 0x7F) && recordInRange(s.mainWindow, 0x7F));
    FUZZ_CHECK(recordInRange(s.unitWindow, 255) && recordInRange(s.inputWindow, 255));
    FUZZ_CHECK(recordInRange(s.outputWindow, 255) && recordInRange(s.ledTotal, 255));
    FUZZ_CHECK(s.ledTotal.count == 2 && s.subWindow.count == 4 && s.unitWindow.count == 4);
    for (int value : link.fastValues)
        FUZZ_CHECK(inRange(value, 0xFFFF));
}

QByteArray takeChunk(FuzzedDataProvider& input)
{
    const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 30);
    const std::string chunk = input.ConsumeBytesAsString(size);
    return QByteArray(chunk.data(), int(chunk.size()));
}

void checkAfterPiece(const Harness& h, int pendingBefore, qint64 fed)
{
    const Singleton_SerialPort& link = *h.link;
    FUZZ_CHECK(link.bufferedReplyBytes() >= 0 && link.bufferedReplyBytes() < Rdx::FrameSize);
    FUZZ_CHECK(isKnownState(link.linkState));
    FUZZ_CHECK(link.pendingReadKeys().size() <= pendingBefore);
    FUZZ_CHECK(!h.removedKindStillPending);
    // Bytes may be dropped as stale after a pause, but a reply is never made up.
    FUZZ_CHECK(h.replies * Rdx::FrameSize + link.bufferedReplyBytes() <= fed);
    checkDeviceCopy(link);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Harness& h = harness();
    // An error reply ends with sendEnd alone; any other reply with send_receive_end, preceded by a sendEnd
    // of its own when it answered the last pending read - which must not count as a second reply.
    QObject::connect(h.link, &Singleton_SerialPort::send_receive_end, [&h](int kind) {
        ++h.replies;
        if (h.link->pendingReadKeys().isEmpty() && h.link->linkState >= Rdx::DeviceError)
            --h.replies;
        h.removedKindStillPending = h.removedKindStillPending || h.link->pendingReadKeys().contains(kind);
        FUZZ_CHECK(kind >= -128 && kind <= 127);
    });
    // Every transmission starts with sendWaiting and the exchange's order; opening the link sends -2.
    QObject::connect(h.link, &Singleton_SerialPort::sendWaiting, [&h](int order) {
        if (order == ExchangeOrder && h.link->useNetwork)
            ++h.requestsSent;
    });
    QObject::connect(h.link, &Singleton_SerialPort::sendEnd, [&h] {
        if (h.link->linkState >= Rdx::DeviceError)
            ++h.replies;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& h = harness();
    Singleton_SerialPort& link = *h.link;
    FuzzedDataProvider input(data, size);

    // Start every input from the same place: whatever the peer still had in flight is taken and then
    // forgotten with the partial reply (a serial-mode reset clears the assembler), the device copy is fresh.
    QCoreApplication::processEvents();
    link.useNetwork = false;
    link.resetReads(ExchangeOrder);
    FUZZ_CHECK(link.bufferedReplyBytes() == 0 && link.pendingReadKeys().isEmpty());
    link.deviceState.fastLayout = 0;
    link.deviceState.pipModel = 0;
    link.deviceState.showModel = 0;
    link.deviceState.outputPort = 0;
    link.fastValues = {};

    const std::uint8_t setup = input.ConsumeIntegral<std::uint8_t>();
    const bool tcp = (setup & 1) && h.peer;
    link.useNetwork = tcp;
    // Layouts 4 and 5 pack five values into a fast-table reply, the others four.
    link.deviceState.fastLayout = (setup >> 1) % 7;
    link.deviceState.pipModel = (setup >> 4) & 3;
    link.deviceState.showModel = (setup >> 6) & 3;
    h.replies = 0;
    h.removedKindStillPending = false;

    qint64 fed = 0; // bytes handed to receive() directly; the peer counts what it sent
    const qint64 sentBefore = h.peer ? h.peer->sentBytes() : 0;
    while (input.remaining_bytes() > 0) {
        const std::uint8_t control = input.ConsumeIntegral<std::uint8_t>();
        const int pendingBefore = int(link.pendingReadKeys().size());
        if (tcp && (control & 0x80)) {
            // A read request whose reply starts arriving over the socket while the request waits for it.
            const QByteArray chunk = takeChunk(input);
            if (chunk.isEmpty())
                continue; // nothing to arrive: the request would sit out its whole wait
            static constexpr int kinds[] = {0, 6, 7, 8, 9, 10, 11, 12, 13, 1, -1, 100};
            const int kind = kinds[(control & 0x7F) % std::size(kinds)];
            h.peer->queueReply(chunk);
            link.requestRead(kind);
            h.peer->queueReply(QByteArray()); // not sent when the request did not go out
            FUZZ_CHECK(h.peer->waitUntilAnswered(h.requestsSent));
            // The new request may be answered at once, by a reply completed by this very piece.
            FUZZ_CHECK(link.pendingReadKeys().size() <= pendingBefore + 1);
            FUZZ_CHECK(!h.removedKindStillPending);
            FUZZ_CHECK(isKnownState(link.linkState));
            FUZZ_CHECK(link.bufferedReplyBytes() < Rdx::FrameSize);
            continue;
        }
        if (control & 0x40)
            QCoreApplication::processEvents(); // a turn of the event loop between two deliveries
        const QByteArray chunk = takeChunk(input);
        link.receive(chunk);
        fed += chunk.size();
        checkAfterPiece(h, pendingBefore, fed + (h.peer ? h.peer->sentBytes() - sentBefore : 0));
    }
    return 0;
}
