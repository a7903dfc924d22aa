#include "cli/CtlPlan.h"

#include "cli/CtlNames.h"
#include "link/CData.h"
#include "link/Frame.h"
#include "link/OutputSize.h"

#include <array>

namespace Ctl {

namespace {

constexpr int PictureMax = 100;
constexpr int OutputBrightnessMax = 32;
constexpr int PictureDefault = 50;
constexpr int WordMax = 0xFFFF; // every window value travels as a 16-bit pair
constexpr int PipMinWidth = 64;
constexpr int PipMinHeight = 48;
constexpr int MosaicMinSize = 8;
constexpr int LedMin = 64;

const QVector<int> statusAndWindows = {Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead};

QString wrongCount(const QString& usage)
{
    return QStringLiteral("usage: %1").arg(usage);
}

QString notOneOf(const QString& what, const QString& word, const QStringList& names)
{
    return QStringLiteral("%1 \"%2\" is none of %3").arg(what, word, names.join(QStringLiteral(", ")));
}

// Four window values as the nine bytes of a window command: a leading selector, then x, w, y, h high byte
// first, as the pages split them.
QVector<int> windowParams(int selector, const std::array<int, 4>& values)
{
    QVector<int> params(Rdx::ParameterCount, 0);
    params[0] = selector;
    splitWords(values.data(), params.data(), 1, 4);
    return params;
}

bool parseValues(const QStringList& words, int low, int high, std::array<int, 4>* values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!CtlNames::parseInt(words.at(i), low, high, &(*values)[size_t(i)]))
            return false;
    }
    return true;
}

// The panel's second-input rule: in Pre + TAKE or PIP mode the chosen input must come from another group
// than the main input, or be the main input itself.
QString groupConflict(const CData& device, int code)
{
    if (code != device.mainInput && CtlNames::inputGroup(code) == CtlNames::inputGroup(device.mainInput)) {
        return QStringLiteral("%1 is in the same group as the main input %2: in %3 mode choose an input of "
                              "another group")
            .arg(CtlNames::inputName(code), CtlNames::inputName(device.mainInput),
                 device.pipOn ? QStringLiteral("PIP") : QStringLiteral("Pre + TAKE"));
    }
    return QString();
}

Plan switchPlan(int code, bool take)
{
    Plan plan;
    plan.statusFirst = true;
    plan.build = [code, take](const CData& device, QVector<Step>& steps) -> QString {
        if (device.takeMode + device.pipOn >= 1) {
            const QString conflict = groupConflict(device, code);
            if (!conflict.isEmpty())
                return conflict;
        } else if (code == device.mainInput) {
            return QString(); // already on the output: the panel sends nothing either
        }
        steps.append(Step::command(device.pipOn ? Rdx::PipInputCommand : Rdx::SwitchInputCommand, {code}));
        steps.append(Step::read(Rdx::StatusRead));
        if (take && device.takeMode && !device.pipOn) {
            steps.append(Step::command(Rdx::TakeCommand, {0}));
            steps.append(Step::read(Rdx::StatusRead));
        }
        return QString();
    };
    return plan;
}

Plan pipPlan(const QStringList& args, QString* error)
{
    Plan plan;
    const QString what = args.value(0);
    if ((what == QLatin1String("on") || what == QLatin1String("off")) && args.size() == 1) {
        const int on = what == QLatin1String("on") ? 1 : 0;
        plan.steps = {Step::command(Rdx::PipSwitchCommand, {on}, [on](CData& d) { d.pipOn = on; }),
                      Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (what == QLatin1String("input") && args.size() == 2) {
        const int code = CtlNames::inputCode(args.at(1));
        if (code < 0) {
            *error = notOneOf(QStringLiteral("input"), args.at(1), CtlNames::inputNames());
            return plan;
        }
        plan.statusFirst = true;
        plan.build = [code](const CData& device, QVector<Step>& steps) -> QString {
            if (!device.pipOn)
                return QStringLiteral("PIP is off: switch it on first (pip on)");
            const QString conflict = groupConflict(device, code);
            if (!conflict.isEmpty())
                return conflict;
            steps = {Step::command(Rdx::PipInputCommand, {code}), Step::read(Rdx::StatusRead)};
            return QString();
        };
        return plan;
    }
    if (what == QLatin1String("model") && args.size() == 2) {
        const int model = CtlNames::modelIndex(args.at(1));
        if (model < 0) {
            *error = notOneOf(QStringLiteral("PIP model"), args.at(1), {QStringLiteral("M1 .. M4")});
            return plan;
        }
        // The window reads are addressed by the new model.
        plan.steps = {Step::command(Rdx::PipModelCommand, {model}, [model](CData& d) { d.pipModel = model; }),
                      Step::read(Rdx::PipSubWindowRead), Step::read(Rdx::PipMainWindowRead)};
        return plan;
    }
    if (what == QLatin1String("window") && args.size() == 6) {
        const QString which = args.at(1);
        std::array<int, 4> values{};
        if (which != QLatin1String("main") && which != QLatin1String("sub")) {
            *error = notOneOf(QStringLiteral("window"), which, {QStringLiteral("main"), QStringLiteral("sub")});
            return plan;
        }
        if (!parseValues(args.mid(2), 0, WordMax, &values, 4)) {
            *error = QStringLiteral("window values X W Y H must be whole numbers from 0 to %1").arg(WordMax);
            return plan;
        }
        // The device places windows on even pixels: an odd value goes up to the next even one, as the
        // panel's spin boxes do.
        for (int& value : values)
            value += value & 1;
        if (values[1] < PipMinWidth || values[3] < PipMinHeight) {
            *error = QStringLiteral("a PIP window is at least %1 wide and %2 high").arg(PipMinWidth).arg(PipMinHeight);
            return plan;
        }
        const int selector = which == QLatin1String("main") ? 1 : 0;
        plan.statusFirst = true;
        plan.build = [selector, values](const CData& device, QVector<Step>& steps) -> QString {
            if (!device.pipOn)
                return QStringLiteral("PIP is off: switch it on first (pip on)");
            int height = 0;
            int width = 0;
            Rdx::pipOutputSize(device.outputFormat, height, width);
            if (width > 0 && (values[0] + values[1] > width || values[2] + values[3] > height)) {
                return QStringLiteral("the window %1+%2 x %3+%4 leaves the output area %5x%6")
                    .arg(values[0])
                    .arg(values[1])
                    .arg(values[2])
                    .arg(values[3])
                    .arg(width)
                    .arg(height);
            }
            steps = {Step::command(Rdx::PipWindowCommand, windowParams(selector, values)),
                     Step::read(Rdx::PipSubWindowRead), Step::read(Rdx::PipMainWindowRead)};
            return QString();
        };
        return plan;
    }
    *error =
        wrongCount(QStringLiteral("pip on|off | pip input INPUT | pip model M1..M4 | pip window main|sub X W Y H"));
    return plan;
}

Plan picturePlan(const QStringList& args, QString* error)
{
    Plan plan;
    const QString what = args.value(0);
    if (what == QLatin1String("reset") && args.size() == 1) {
        // The three Reset buttons of the picture tabs, one after the other.
        for (int code : {Rdx::BrightnessCommand, Rdx::ContrastCommand, Rdx::ColorCommand})
            plan.steps.append(Step::command(code, {PictureDefault}));
        plan.steps.append(Step::read(Rdx::PictureRead));
        return plan;
    }
    int code = -1;
    if (what == QLatin1String("brightness"))
        code = Rdx::BrightnessCommand;
    else if (what == QLatin1String("contrast"))
        code = Rdx::ContrastCommand;
    else if (what == QLatin1String("colour") || what == QLatin1String("color"))
        code = Rdx::ColorCommand;
    int value = 0;
    if (code < 0 || args.size() != 2) {
        *error = wrongCount(QStringLiteral("picture brightness|contrast|colour VALUE | picture reset"));
    } else if (!CtlNames::parseInt(args.at(1), 0, PictureMax, &value)) {
        *error = QStringLiteral("%1 \"%2\" is not a value from 0 to %3").arg(what, args.at(1)).arg(PictureMax);
    } else {
        plan.steps = {Step::command(code, {value}), Step::read(Rdx::PictureRead)};
    }
    return plan;
}

Plan mosaicPlan(const QStringList& args, QString* error)
{
    Plan plan;
    const QString what = args.value(0);
    // The mosaic reads are addressed by the display model and output port the status reports.
    plan.statusFirst = true;
    if (what == QLatin1String("model") && args.size() == 2) {
        const int model = CtlNames::modelIndex(args.at(1));
        if (model < 0) {
            *error = notOneOf(QStringLiteral("display model"), args.at(1), {QStringLiteral("M1 .. M4")});
            return plan;
        }
        plan.statusFirst = false;
        plan.steps = {Step::command(Rdx::ShowModelCommand, {model}, [model](CData& d) { d.showModel = model; }),
                      Step::read(Rdx::StatusRead),
                      Step::read(Rdx::LedTotalRead),
                      Step::read(Rdx::UnitWindowRead),
                      Step::read(Rdx::FastValuesRead),
                      Step::read(Rdx::InputWindowRead),
                      Step::read(Rdx::OutputWindowRead)};
        return plan;
    }
    if (what == QLatin1String("port") && args.size() == 2) {
        const int port = CtlNames::portIndex(args.at(1));
        if (port < 0) {
            *error = notOneOf(QStringLiteral("output port"), args.at(1), {QStringLiteral("Out1 .. Out4")});
            return plan;
        }
        plan.steps = {Step::command(Rdx::OutputPortCommand, {port}, [port](CData& d) { d.outputPort = port; }),
                      Step::read(Rdx::UnitWindowRead), Step::read(Rdx::InputWindowRead),
                      Step::read(Rdx::OutputWindowRead)};
        return plan;
    }
    if (what == QLatin1String("layout") && args.size() >= 2) {
        const int layout = CtlNames::layoutIndex(args.at(1));
        if (layout < 0) {
            *error = notOneOf(QStringLiteral("layout"), args.at(1), CtlNames::layoutNames());
            return plan;
        }
        const QStringList words = args.mid(2);
        const int rows = CtlNames::layoutRows(layout);
        if (!words.isEmpty() && words.size() != rows) {
            *error = QStringLiteral("layout %1 takes %2 values").arg(CtlNames::layoutName(layout)).arg(rows);
            return plan;
        }
        QVector<int> values;
        for (const QString& word : words) {
            int value = 0;
            // 1X4 and 4X1 carry their last two values in 12 bits.
            const int high = rows == 5 && values.size() >= 3 ? 0xFFF : WordMax;
            if (!CtlNames::parseInt(word, 0, high, &value)) {
                *error = QStringLiteral("layout value \"%1\" is not a whole number from 0 to %2").arg(word).arg(high);
                return plan;
            }
            values.append(value);
        }
        plan.build = [layout, values](const CData& device, QVector<Step>& steps) -> QString {
            int outH = 0;
            int outW = 0;
            Rdx::mosaicOutputSize(device.outputFormat, outH, outW);
            for (int row = 0; row < values.size() && outW > 0; ++row) {
                const bool width = CtlNames::layoutRowIsWidth(layout, row);
                if (values[row] > (width ? outW : outH)) {
                    return QStringLiteral("layout value %1 (%2) is above the output %3 %4")
                        .arg(row + 1)
                        .arg(values[row])
                        .arg(width ? QStringLiteral("width") : QStringLiteral("height"))
                        .arg(width ? outW : outH);
                }
            }
            steps = {Step::command(Rdx::FastLayoutCommand, {layout}, [layout](CData& d) { d.fastLayout = layout; }),
                     Step::read(Rdx::FastValuesRead), Step::read(Rdx::InputWindowRead),
                     Step::read(Rdx::OutputWindowRead)};
            if (values.isEmpty())
                return QString();
            QVector<int> params(Rdx::ParameterCount, 0);
            int count = 2 * values.size();
            if (values.size() == 5) {
                splitWords(values.data(), params.data(), 0, 3);
                params[6] = (values[3] / 256) * 16 + values[4] / 256;
                params[7] = values[3] % 256;
                params[8] = values[4] % 256;
                count = Rdx::ParameterCount;
            } else {
                splitWords(values.data(), params.data(), 0, values.size());
            }
            params.resize(count);
            steps.append(Step::command(Rdx::FastValuesCommand, params));
            steps.append(Step::read(Rdx::FastValuesRead));
            return QString();
        };
        return plan;
    }
    if (what == QLatin1String("led") && args.size() == 3) {
        std::array<int, 4> values{};
        if (!parseValues(args.mid(1), LedMin, WordMax, &values, 2)) {
            *error = QStringLiteral("LED total W H must be whole numbers from %1 to %2").arg(LedMin).arg(WordMax);
            return plan;
        }
        QVector<int> params(Rdx::ParameterCount, 0); // the last four bytes carry nothing
        splitWords(values.data(), params.data(), 1, 2);
        plan.steps = {Step::command(Rdx::LedTotalCommand, params), Step::read(Rdx::LedTotalRead)};
        return plan;
    }
    if (what == QLatin1String("unit") && args.size() == 5) {
        std::array<int, 4> values{};
        if (!parseValues(args.mid(1), 0, WordMax, &values, 4) || values[1] < MosaicMinSize ||
            values[3] < MosaicMinSize) {
            *error = QStringLiteral("unit X W Y H must be whole numbers up to %1, W and H at least %2")
                         .arg(WordMax)
                         .arg(MosaicMinSize);
            return plan;
        }
        plan.steps = {Step::command(Rdx::UnitWindowCommand, windowParams(0, values)), Step::read(Rdx::UnitWindowRead)};
        return plan;
    }
    if (what == QLatin1String("auto") && args.size() <= 2) {
        const QString which = args.value(1, QStringLiteral("fast1"));
        if (which == QLatin1String("fast1")) {
            plan.steps = {Step::command(Rdx::AutoMosaicCommand, {0}), Step::read(Rdx::InputWindowRead)};
        } else if (which == QLatin1String("fast2")) {
            plan.steps = {Step::command(Rdx::AutoMosaicCommand, {1}), Step::read(Rdx::InputWindowRead),
                          Step::read(Rdx::OutputWindowRead)};
        } else {
            *error = notOneOf(QStringLiteral("auto"), which, {QStringLiteral("fast1"), QStringLiteral("fast2")});
        }
        return plan;
    }
    *error = wrongCount(QStringLiteral("mosaic model M1..M4 | port Out1..Out4 | layout N [VALUES...] | led W H | "
                                       "unit X W Y H | auto [fast1|fast2]"));
    return plan;
}

} // namespace

QStringList deviceCommands()
{
    return {QStringLiteral("status"),      QStringLiteral("switch"),
            QStringLiteral("take"),        QStringLiteral("take-mode"),
            QStringLiteral("switch-time"), QStringLiteral("pip"),
            QStringLiteral("format"),      QStringLiteral("audio"),
            QStringLiteral("picture"),     QStringLiteral("output-brightness"),
            QStringLiteral("dvi-hotplug"), QStringLiteral("reset"),
            QStringLiteral("mosaic")};
}

Plan planFor(const QString& command, const QStringList& args, bool take, bool all, QString* error)
{
    Plan plan;
    const auto usage = [&](const QString& text) {
        *error = wrongCount(text);
        return plan;
    };
    if (command == QLatin1String("status")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("status [--all]"));
        plan.steps = {Step::read(Rdx::StatusRead)};
        if (all) {
            for (int kind : {Rdx::PictureRead, Rdx::PipSubWindowRead, Rdx::PipMainWindowRead, Rdx::FastValuesRead,
                             Rdx::LedTotalRead, Rdx::UnitWindowRead, Rdx::InputWindowRead, Rdx::OutputWindowRead})
                plan.steps.append(Step::read(kind));
        }
        return plan;
    }
    if (command == QLatin1String("switch")) {
        if (args.size() != 1)
            return usage(QStringLiteral("switch INPUT [--take]"));
        const int code = CtlNames::inputCode(args.at(0));
        if (code < 0) {
            *error = notOneOf(QStringLiteral("input"), args.at(0), CtlNames::inputNames());
            return plan;
        }
        return switchPlan(code, take);
    }
    if (command == QLatin1String("take")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("take"));
        // The panel offers TAKE only in Pre + TAKE mode with PIP off; otherwise its button sends AUTO.
        plan.statusFirst = true;
        plan.build = [](const CData& device, QVector<Step>& steps) -> QString {
            if (!device.takeMode || device.pipOn)
                return QStringLiteral("take needs Pre + TAKE mode (take-mode pre-take) with PIP off");
            steps = {Step::command(Rdx::TakeCommand, {0}), Step::read(Rdx::StatusRead)};
            return QString();
        };
        return plan;
    }
    if (command == QLatin1String("take-mode")) {
        const QString mode = args.value(0);
        if (args.size() != 1 || (mode != QLatin1String("one-key") && mode != QLatin1String("pre-take")))
            return usage(QStringLiteral("take-mode one-key|pre-take"));
        const int take = mode == QLatin1String("pre-take") ? 1 : 0;
        plan.steps = {Step::command(Rdx::SwitchModeCommand, {take}), Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (command == QLatin1String("switch-time")) {
        const int index = args.size() == 1 ? CtlNames::switchTimeIndex(args.at(0)) : -1;
        if (index < 0)
            return usage(QStringLiteral("switch-time 0..3 (or 0S, 0.5S, 1S, 1.5S)"));
        plan.steps = {Step::command(Rdx::SwitchTimeCommand, {index}), Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (command == QLatin1String("pip"))
        return pipPlan(args, error);
    if (command == QLatin1String("format")) {
        if (args.size() != 1)
            return usage(QStringLiteral("format CODE|TEXT"));
        const int code = CtlNames::formatCode(args.at(0));
        if (code < 0) {
            *error =
                notOneOf(QStringLiteral("format"), args.at(0), CtlNames::formatNames().filter(QStringLiteral("@")));
            return plan;
        }
        plan.statusFirst = true;
        plan.build = [code](const CData& device, QVector<Step>& steps) -> QString {
            // The panel sends nothing for the format the device already has.
            if (code != device.outputFormat)
                steps = {Step::command(Rdx::ResolutionCommand, {code}), Step::read(Rdx::StatusRead)};
            return QString();
        };
        return plan;
    }
    if (command == QLatin1String("audio")) {
        if (args.size() != 3)
            return usage(QStringLiteral("audio SRC1 SRC2 SRC3"));
        QVector<int> codes;
        for (const QString& word : args) {
            const int code = CtlNames::inputCode(word);
            if (code < 0) {
                *error = notOneOf(QStringLiteral("audio source"), word, CtlNames::inputNames());
                return plan;
            }
            codes.append(code);
        }
        if (codes[0] == codes[1] || codes[0] == codes[2] || codes[1] == codes[2]) {
            *error = QStringLiteral("one source cannot feed two audio outputs");
            return plan;
        }
        plan.steps = {Step::command(Rdx::AudioCommand, codes), Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (command == QLatin1String("picture"))
        return picturePlan(args, error);
    if (command == QLatin1String("output-brightness")) {
        int value = 0;
        if (args.size() != 1 || !CtlNames::parseInt(args.at(0), 0, OutputBrightnessMax, &value))
            return usage(QStringLiteral("output-brightness 0..%1").arg(OutputBrightnessMax));
        plan.steps = {Step::command(Rdx::OutputBrightnessCommand, {value}), Step::read(Rdx::PictureRead)};
        return plan;
    }
    if (command == QLatin1String("dvi-hotplug")) {
        const QString what = args.value(0);
        if (args.size() != 1 || (what != QLatin1String("on") && what != QLatin1String("off")))
            return usage(QStringLiteral("dvi-hotplug on|off"));
        plan.steps = {Step::command(Rdx::DviHotplugCommand, {what == QLatin1String("on") ? 1 : 0}),
                      Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (command == QLatin1String("reset")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("reset"));
        plan.steps = {Step::command(Rdx::ResetCommand, {0}), Step::read(Rdx::StatusRead)};
        return plan;
    }
    if (command == QLatin1String("mosaic"))
        return mosaicPlan(args, error);
    *error = QStringLiteral("unknown command \"%1\"").arg(command);
    return plan;
}

} // namespace Ctl
