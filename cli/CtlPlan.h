#ifndef RDX480_CLI_CTLPLAN_H
#define RDX480_CLI_CTLPLAN_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class CData;

namespace Ctl {

// One frame of a run: a read request of a kind, or a set-command with its parameter bytes.
struct Step
{
    enum Type { Read, Command } type = Read;
    int kind = 0; // Read
    int code = 0; // Command
    QVector<int> params;
    // What the panel writes into its device copy once the device accepted the command (the reads that
    // follow are addressed by it).
    std::function<void(CData&)> accepted;

    static Step read(int kind) { return Step{Read, kind, 0, {}, {}}; }
    static Step command(int code, QVector<int> params, std::function<void(CData&)> accepted = {})
    {
        return Step{Command, 0, code, std::move(params), std::move(accepted)};
    }
};

// A device command as the panel's own button or field sends it. When its frames depend on the device's
// state, the status is read first and `build` makes the steps from it, or names the value the state rules
// out (a usage error: nothing more is sent).
struct Plan
{
    bool statusFirst = false;
    QVector<Step> steps;
    std::function<QString(const CData&, QVector<Step>&)> build;
};

// The plan for a device command and its arguments, or a usage error in *error. Values are checked here,
// before anything is sent. `take` is the --take option of switch, `all` the --all option of status.
Plan planFor(const QString& command, const QStringList& args, bool take, bool all, QString* error);

// The device commands (raw, watch and schedule are handled apart).
QStringList deviceCommands();

} // namespace Ctl

#endif
