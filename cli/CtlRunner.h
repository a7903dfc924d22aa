#ifndef RDX480_CLI_CTLRUNNER_H
#define RDX480_CLI_CTLRUNNER_H

#include "cli/CtlPlan.h"
#include "link/Frame.h"

#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

class Singleton_SerialPort;

namespace Ctl {

// What a script can branch on; the manual page and --help list them.
enum Exit : int {
    ExitAccepted = 0,
    ExitRefused = 1,     // the device answered with an error reply
    ExitUsage = 2,       // bad arguments, or a value the device's state rules out: nothing (more) sent
    ExitUnanswered = 3,  // no reply within the timeout
    ExitUnreachable = 4, // the device or service could not be reached or opened
};

struct Options
{
    QString device; // tcp:HOST:PORT or serial:PATH; empty: the service, else info.ini of the folder
    int id = -1;    // -1: from info.ini, else 1
    QString folder;
    int timeoutMs = 0;
    bool json = false;
    bool quiet = false;
    bool verbose = false;
    bool take = false;
    bool all = false;
    bool once = false;
    bool inactive = false;
    double intervalS = 1.0;
    QString command;
    QStringList args;
};

// Where a run talks to the device.
struct Target
{
    bool network = false;
    QString host;
    int port = 0;
    QString serialPath;
    int id = 1;
    // Set when the folder's service holds the device: its frames go through the service's socket.
    QString socketPath;
    qint64 servicePid = 0;

    QString describe() const;
};

// The options of rdx480ctl, or the exit code to end with at once (help shown, or a usage error, already
// printed).
std::optional<Options> parseArguments(const QStringList& arguments, int* exitCode);
QString helpText();

// Turns a command into frames on the link and the device copy into output.
class Runner
{
public:
    explicit Runner(Options options, std::FILE* out = stdout, std::FILE* err = stderr);
    int run();

private:
    int runDevice();
    int runPlan(const Plan& plan);
    int runRaw();
    int runWatch();
    int runSchedule();

    std::optional<Target> resolveTarget(int* exitCode);
    int open(const Target& target);
    // Sends one step and waits for its reply; the exit code of anything but an accepted reply.
    int exchange(const Step& step);
    int exchangeFrame(const Rdx::Frame& frame, Rdx::Frame* reply);
    int lostConnection();

    void printState();
    void printResult(const QJsonObject& object, const QString& text);
    int fail(int exitCode, const QString& message);

    Options m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    Singleton_SerialPort* m_link = nullptr;
    Target m_target;
    QSet<int> m_kindsRead;
};

// The frames the link sends for a read of a kind and for a set-command after `previous`: a set-command
// keeps the previous frame's bytes past its parameters.
Rdx::Frame readFrame(int deviceNumber, const Rdx::ReadAddress& address);
Rdx::Frame commandFrame(const Rdx::Frame& previous, int deviceNumber, int code, const QVector<int>& params);
// "91 01 FE ..." or "9101FE...": exactly 13 bytes; false otherwise.
bool parseFrame(const QStringList& words, Rdx::Frame* frame);

} // namespace Ctl

#endif
