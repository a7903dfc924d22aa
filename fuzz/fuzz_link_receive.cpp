// Drives the link's receive path - the one both transports feed - with arbitrary bytes in arbitrary pieces,
// through the same request, wait, match, decode and time-out code the panel runs. The link's clock is a
// StepClock: a wait hands over the bytes the input has for it and never sleeps, so an input runs in
// microseconds and gives the same result every time. A loopback peer drains what the link writes.
//
// Two modes, by the first byte:
// - Oracle: valid replies to the reads made, with noise (any bytes but the 0x91 marker) inserted before
//   each in arbitrary pieces, must leave exactly the device copy that the replies alone leave.
// - Free: bytes, reads, set-commands, resets and pauses in any order. After every step less than two frames
//   stay buffered, the link state is an ordinary one or a device error, no reply is made up, and every field
//   of the device copy stays in the range that the pages' reads and commands rely on.

#include "fuzz/FuzzCheck.h"
#include "link/Singleton_SerialPort.h"
#include "tests/support/StepClock.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <fuzzer/FuzzedDataProvider.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

struct Harness
{
    QCoreApplication* app = nullptr; // kept to the end: the link and its socket go with the process
    Singleton_SerialPort* link = nullptr;
    StepClock clock;
    QByteArray forWait; // what the next wait delivers
    qint64 replies = 0; // decoded replies of any kind, error replies included
};

// Reads and discards whatever the link writes: the device never answers over the socket, the input does.
void drain(int fd)
{
    char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool connectDrain(Singleton_SerialPort& link)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    link.useNetwork = true;
    link.openSerial(QStringLiteral("127.0.0.1"), ntohs(address.sin_port), 1);
    const int fd = link.isConnected() ? ::accept(listener, nullptr, nullptr) : -1;
    ::close(listener);
    if (fd < 0)
        return false;
    std::thread(drain, fd).detach(); // ends when the link closes its socket at exit
    return true;
}

Harness& harness()
{
    static Harness h;
    static const bool ready = [] {
        static int argc = 1;
        static char name[] = "fuzz_link_receive";
        static char* argv[] = {name, nullptr};
        h.app = new QCoreApplication(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("rdx480.*=false\nqt.*=false"));
        h.link = Singleton_SerialPort::instance();
        h.link->setClock(&h.clock);
        h.clock.onWait = [] {
            const QByteArray bytes = std::exchange(h.forWait, QByteArray());
            h.link->receive(bytes);
        };
        if (!connectDrain(*h.link)) {
            std::fprintf(stderr, "no loopback peer\n");
            std::abort();
        }
        return true;
    }();
    Q_UNUSED(ready)
    return h;
}

constexpr int ExchangeOrder = 7;

bool isKnownState(int state)
{
    switch (state) {
    case Rdx::Opened:
    case Rdx::Unanswered:
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

void checkDeviceCopy(const Singleton_SerialPort& link)
{
    const CData& s = link.deviceState;
    FUZZ_CHECK(inRange(s.outputFormat, 12) && inRange(s.switchTime, 3));
    for (int input : {s.mainInput, s.pipInput, s.presetInput, s.audio1Source, s.audio2Source, s.audio3Source})
        FUZZ_CHECK(inRange(input, Rdx::InputCount - 1));
    FUZZ_CHECK(inRange(s.fastLayout, 6) && inRange(s.pipModel, 3));
    FUZZ_CHECK(inRange(s.dviHotplug, 1) && inRange(s.extInputMode, 7));
    FUZZ_CHECK(inRange(s.takeMode, 1) && inRange(s.pipOn, 1) && inRange(s.showModel, 3) && inRange(s.outputPort, 7));
    FUZZ_CHECK(s.subWindow.bytes[0] <= 0x7F && s.mainWindow.bytes[0] <= 0x7F);
    for (int value : link.fastValues)
        FUZZ_CHECK(inRange(value, 0xFFFF));
}

// Every field of the device copy and the fast values, for comparing two runs.
std::vector<int> snapshot(const Singleton_SerialPort& link)
{
    const CData& s = link.deviceState;
    std::vector<int> out = {s.outputFormat, s.mainInput,  s.switchTime,   s.pipInput,     s.presetInput,
                            s.dviHotplug,   s.extInputMode, s.audio1Source, s.audio2Source, s.audio3Source,
                            s.fastLayout,   s.pipModel,   s.takeMode,     s.pipOn,        s.showModel,
                            s.brightness,   s.contrast,   s.color,        s.outputBrightness, s.outputPort,
                            link.linkState};
    for (const WindowRecord* record :
         {&s.subWindow, &s.mainWindow, &s.unitWindow, &s.ledTotal, &s.inputWindow, &s.outputWindow})
        out.insert(out.end(), record->bytes.begin(), record->bytes.end());
    out.insert(out.end(), link.fastValues.begin(), link.fastValues.end());
    return out;
}

// The same starting point for every run: nothing pending, no partial reply, a line known to mark its
// replies (unasked replies do both), and a fresh device copy.
void startRun(Harness& h, std::uint8_t setup)
{
    Singleton_SerialPort& link = *h.link;
    link.resetReads(ExchangeOrder);
    h.clock.now += 1000;
    h.forWait.clear();
    // Two, because a partial reply of twelve bytes and the first one's start marker make a marked run.
    const QByteArray unasked =
        Rdx::toByteArray(Rdx::Frame{Rdx::FrameMarker, 1, 0, 0x7E, 0, 0, 0, 0, 0, 0, 0, 0, Rdx::FrameMarker});
    link.receive(unasked + unasked);
    h.clock.now += 1000;
    link.resetReads(ExchangeOrder);
    FUZZ_CHECK(link.bufferedReplyBytes() == 0 && link.pendingReadKeys().isEmpty());
    CData& s = link.deviceState;
    for (int* field : {&s.outputFormat, &s.mainInput, &s.switchTime, &s.pipInput, &s.presetInput, &s.dviHotplug,
                       &s.extInputMode, &s.audio1Source, &s.audio2Source, &s.audio3Source, &s.brightness,
                       &s.contrast, &s.color, &s.outputBrightness, &s.takeMode, &s.pipOn})
        *field = 0;
    for (WindowRecord* record :
         {&s.subWindow, &s.mainWindow, &s.unitWindow, &s.ledTotal, &s.inputWindow, &s.outputWindow})
        record->bytes = {};
    // Layouts 4 and 5 pack five values into a fast-table reply, the others four.
    s.fastLayout = setup % 7;
    s.pipModel = (setup >> 3) & 3;
    s.showModel = (setup >> 5) & 3;
    s.outputPort = 0;
    link.fastValues = {};
    h.replies = 0;
}

QByteArray takeChunk(FuzzedDataProvider& input, std::size_t most)
{
    const std::string chunk = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, most));
    return QByteArray(chunk.data(), int(chunk.size()));
}

constexpr int Kinds[] = {0, 6, 7, 8, 9, 10, 11, 12, 13};

struct Step
{
    int kind;
    Rdx::Frame reply;
    QByteArray noise;
};

void runOracle(Harness& h, FuzzedDataProvider& input, std::uint8_t setup)
{
    std::vector<Step> steps;
    while (input.remaining_bytes() > 0 && steps.size() < 32) {
        Step step;
        step.kind = Kinds[input.ConsumeIntegralInRange<int>(0, int(std::size(Kinds)) - 1)];
        step.reply = Rdx::emptyFrame();
        step.reply[1] = 1;
        const bool error = input.ConsumeIntegralInRange<int>(0, 15) == 0;
        for (int i = 2; i < 12; ++i)
            step.reply[i] = input.ConsumeIntegral<std::uint8_t>();
        if (error) {
            step.reply[2] = Rdx::ErrorReplyCode;
        } else {
            step.reply[2] = 0;
            step.reply[3] = std::uint8_t(step.kind == 7 ? 6 : step.kind);
            if (step.kind == 6)
                step.reply[4] &= 0x7F;
            else if (step.kind == 7)
                step.reply[4] |= 0x80;
        }
        // Noise of fewer than four replies' length never makes the line look unmarked.
        step.noise = takeChunk(input, 40);
        step.noise.replace(char(Rdx::FrameMarker), char(0x90));
        steps.push_back(step);
    }

    auto run = [&](bool noisy) {
        startRun(h, setup);
        for (const Step& step : steps) {
            h.forWait = (noisy ? step.noise : QByteArray()) + Rdx::toByteArray(step.reply);
            h.link->requestRead(step.kind);
            FUZZ_CHECK(h.link->pendingReadKeys().isEmpty()); // every read got its answer
        }
        return snapshot(*h.link);
    };
    const std::vector<int> clean = run(false);
    const std::vector<int> noisy = run(true);
    FUZZ_CHECK(clean == noisy);
    checkDeviceCopy(*h.link);
}

void runFree(Harness& h, FuzzedDataProvider& input, std::uint8_t setup)
{
    Singleton_SerialPort& link = *h.link;
    startRun(h, setup);
    qint64 fed = 0;
    while (input.remaining_bytes() > 0) {
        const std::uint8_t control = input.ConsumeIntegral<std::uint8_t>();
        switch (control >> 5) {
        case 0: // a read, answered (or not) by what arrives while it waits
        case 1: {
            h.forWait = takeChunk(input, 30);
            fed += h.forWait.size();
            link.requestRead(Kinds[control % std::size(Kinds)] + (control & 0x10 ? 1 : 0));
            break;
        }
        case 2: { // a set-command, the same way
            h.forWait = takeChunk(input, 30);
            fed += h.forWait.size();
            link.resetReads(ExchangeOrder);
            const int parameter = input.ConsumeIntegral<std::uint8_t>();
            link.runCommand(control & 0x1F, &parameter, 1);
            link.takeFailure();
            break;
        }
        case 3:
            link.resetReads(ExchangeOrder);
            break;
        case 4: // a pause, around the assembler's stale gap and the late-reply grace
            h.clock.now += (control & 0x10) ? (control & 0x0F) * 1000 : (control & 0x0F) * 10;
            break;
        default: { // bytes nobody asked for, as they come
            const int pendingBefore = int(link.pendingReadKeys().size());
            const QByteArray chunk = takeChunk(input, 30);
            link.receive(chunk);
            fed += chunk.size();
            FUZZ_CHECK(link.pendingReadKeys().size() <= pendingBefore);
            break;
        }
        }
        h.forWait.clear();
        FUZZ_CHECK(link.isConnected());
        // A line without markers may hold a frame and the start of a marked run that would follow it.
        FUZZ_CHECK(link.bufferedReplyBytes() >= 0 && link.bufferedReplyBytes() < 2 * Rdx::FrameSize);
        FUZZ_CHECK(isKnownState(link.linkState));
        // A reply is never made up: each one decoded took 13 bytes that were fed.
        FUZZ_CHECK(h.replies * Rdx::FrameSize <= fed);
        checkDeviceCopy(link);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Harness& h = harness();
    QObject::connect(h.link, &Singleton_SerialPort::send_receive_end, [&h](int kind) {
        ++h.replies;
        FUZZ_CHECK(kind >= -128 && kind <= 127);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& h = harness();
    FuzzedDataProvider input(data, size);
    const std::uint8_t mode = input.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t setup = input.ConsumeIntegral<std::uint8_t>();
    if (mode & 1)
        runOracle(h, input, setup);
    else
        runFree(h, input, setup);
    return 0;
}
