// Start-up: from the moment the launcher starts a process to the first frame of its window, and the
// process's peak memory, for the panel and for a bare Qt Widgets window of the same size, taken in turns
// in the same run. Both run offscreen in a temporary folder; the panel's info.ini there names loopback.
#include "BenchTable.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Launch
{
    bool ok = false;
    double firstFrameMs = 0.0;
    double peakMb = 0.0;
};

qint64 monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

Launch launch(const QByteArray& program, const QByteArray& folder)
{
    Launch result;
    int out[2];
    if (::pipe(out) != 0)
        return result;
    const qint64 startNs = monotonicNs();
    const pid_t child = ::fork();
    if (child < 0)
        return result;
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        if (::chdir(folder.constData()) != 0)
            ::_exit(127);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("QT_LOGGING_RULES", "rdx480.*.debug=false", 1);
        char* const argv[] = {const_cast<char*>(program.constData()), nullptr};
        ::execv(program.constData(), argv);
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray output;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, int(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return result;
    const int at = output.indexOf("first-frame-ns ");
    if (at < 0)
        return result;
    const qint64 frameNs = output.mid(at + 15).trimmed().split('\n').first().toLongLong();
    result.firstFrameMs = double(frameNs - startNs) / 1e6;
    result.peakMb = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    result.ok = frameNs > startNs;
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 15;
    const QStringList args = app.arguments();
    const int runsAt = args.indexOf(QStringLiteral("--runs"));
    if (runsAt > 0 && runsAt + 1 < args.size())
        runs = std::max(3, args.at(runsAt + 1).toInt());

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    QFile ini(folder.filePath(QStringLiteral("info.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[General]\nIP=127.0.0.1\nPORT=7\nPORTNAME=none\nID=1\nNETWORK=true\nLANGUAGE=true\n");
    ini.close();

    const QByteArray panel = RDX480_BENCH_PANEL;
    const QByteArray bare = RDX480_BENCH_BARE;
    const QByteArray text = RDX480_BENCH_TEXT;
    const QByteArray where = QFile::encodeName(folder.path());

    // One unmeasured start of each, so both find the libraries in the page cache.
    launch(bare, where);
    launch(text, where);
    launch(panel, where);

    Samples panelMs, bareMs, textMs, panelMb, bareMb, textMb;
    for (int run = 0; run < runs; ++run) {
        const Launch b = launch(bare, where);
        const Launch t = launch(text, where);
        const Launch p = launch(panel, where);
        if (!b.ok || !t.ok || !p.ok) {
            std::printf("run %d: a program did not report its first frame (bare %d, text %d, panel %d)\n", run, b.ok,
                        t.ok, p.ok);
            continue;
        }
        bareMs.add(b.firstFrameMs);
        textMs.add(t.firstFrameMs);
        panelMs.add(p.firstFrameMs);
        bareMb.add(b.peakMb);
        textMb.add(t.peakMb);
        panelMb.add(p.peakMb);
    }
    if (panelMs.isEmpty())
        return 1;

    // The panel builds all its pages (and the schedule page the Control page builds) before its first frame.
    const QString textFloor = QStringLiteral("bare 880x600 QMainWindow showing Chinese text and one JPEG picture");
    const QString emptyFloor = QStringLiteral("bare 880x600 QMainWindow, empty");
    BenchTable time(QStringLiteral("Start-up to the first frame of the window (offscreen)"));
    time.add(QStringLiteral("process start -> first frame"), panelMs, textFloor, textMs, 1.5);
    time.add(QStringLiteral("process start -> first frame"), panelMs, emptyFloor, bareMs, 0.0);
    time.print();
    BenchTable memory(QStringLiteral("Peak memory (resident set) up to the first frame"), QStringLiteral("MB"));
    memory.addExcess(QStringLiteral("peak RSS"), panelMb, emptyFloor, bareMb, 25.0);
    memory.addExcess(QStringLiteral("peak RSS"), panelMb, textFloor, textMb, 25.0);
    memory.print();
    return 0;
}
