#include "cli/DeviceReport.h"

#include "cli/CtlNames.h"
#include "link/CData.h"
#include "link/DeviceErrors.h"
#include "link/Frame.h"

#include <QJsonArray>
#include <QStringList>

namespace {

// One code and its text, in the order the text report lists them.
struct Coded
{
    const char* field;
    const char* caption;
    int value;
    QString name;
};

QVector<Coded> statusFields(const CData& d)
{
    return {
        {"mainInput", "Main input", d.mainInput, CtlNames::inputName(d.mainInput)},
        {"presetInput", "Preselected input", d.presetInput, CtlNames::inputName(d.presetInput)},
        {"pipInput", "PIP input", d.pipInput, CtlNames::inputName(d.pipInput)},
        {"takeMode", "Switch model", d.takeMode,
         d.takeMode ? QStringLiteral("Pre + TAKE Switch") : QStringLiteral("One Key Switch")},
        {"switchTime", "Switch time", d.switchTime, CtlNames::switchTimeName(d.switchTime)},
        {"pipOn", "PIP", d.pipOn, d.pipOn ? QStringLiteral("On") : QStringLiteral("Off")},
        {"pipModel", "PIP model", d.pipModel, CtlNames::modelName(d.pipModel)},
        {"outputFormat", "Resolution", d.outputFormat, CtlNames::formatName(d.outputFormat)},
        {"audio1Source", "Audio 1", d.audio1Source, CtlNames::inputName(d.audio1Source)},
        {"audio2Source", "Audio 2", d.audio2Source, CtlNames::inputName(d.audio2Source)},
        {"audio3Source", "Audio 3", d.audio3Source, CtlNames::inputName(d.audio3Source)},
        {"dviHotplug", "DVI hotplug", d.dviHotplug, d.dviHotplug ? QStringLiteral("Open") : QStringLiteral("Close")},
        {"extInputMode", "EXT.Input Mode", d.extInputMode,
         d.extInputMode ? QStringLiteral("SDI") : QStringLiteral("Empty")},
        {"showModel", "Display model", d.showModel, CtlNames::modelName(d.showModel)},
        {"outputPort", "Output port", d.outputPort, CtlNames::portName(d.outputPort)},
        {"fastLayout", "Mosaic layout", d.fastLayout, CtlNames::layoutName(d.fastLayout)},
    };
}

struct Numbered
{
    const char* field;
    const char* caption;
    int value;
};

QVector<Numbered> pictureFields(const CData& d)
{
    return {{"brightness", "Brightness", d.brightness},
            {"contrast", "Contrast", d.contrast},
            {"color", "Color", d.color},
            {"outputBrightness", "Output brightness", d.outputBrightness}};
}

struct Window
{
    int kind;
    const char* field;
    const char* caption;
    const WindowRecord* record;
};

QVector<Window> windows(const CData& d)
{
    return {{Rdx::PipSubWindowRead, "subWindow", "PIP sub window", &d.subWindow},
            {Rdx::PipMainWindowRead, "mainWindow", "PIP main window", &d.mainWindow},
            {Rdx::LedTotalRead, "ledTotal", "LED total", &d.ledTotal},
            {Rdx::UnitWindowRead, "unitWindow", "Unit window", &d.unitWindow},
            {Rdx::InputWindowRead, "inputWindow", "Input window", &d.inputWindow},
            {Rdx::OutputWindowRead, "outputWindow", "Output window", &d.outputWindow}};
}

QJsonObject windowJson(const WindowRecord& record)
{
    const QVector<int> v = loadRecord(record);
    if (record.count == 2)
        return {{QStringLiteral("w"), v[0]}, {QStringLiteral("h"), v[1]}};
    return {{QStringLiteral("x"), v[0]},
            {QStringLiteral("w"), v[1]},
            {QStringLiteral("y"), v[2]},
            {QStringLiteral("h"), v[3]}};
}

QString windowText(const WindowRecord& record)
{
    const QVector<int> v = loadRecord(record);
    if (record.count == 2)
        return QStringLiteral("W %1  H %2").arg(v[0]).arg(v[1]);
    return QStringLiteral("X %1  W %2  Y %3  H %4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}

int fastCount(const CData& d)
{
    const int rows = CtlNames::layoutRows(d.fastLayout);
    return rows > 0 ? rows : 5;
}

QString line(const char* caption, const QString& value)
{
    return QStringLiteral("%1 %2\n").arg(QLatin1String(caption) + QLatin1Char(':'), -19).arg(value);
}

} // namespace

namespace DeviceReport {

QJsonObject json(const CData& device, const Rdx::FastValues& fastValues, const QSet<int>& kinds)
{
    QJsonObject object;
    if (kinds.contains(Rdx::StatusRead)) {
        for (const Coded& field : statusFields(device)) {
            object.insert(QLatin1String(field.field), field.value);
            object.insert(QLatin1String(field.field) + QLatin1String("Name"), field.name);
        }
    }
    if (kinds.contains(Rdx::PictureRead)) {
        for (const Numbered& field : pictureFields(device))
            object.insert(QLatin1String(field.field), field.value);
    }
    for (const Window& window : windows(device)) {
        if (kinds.contains(window.kind))
            object.insert(QLatin1String(window.field), windowJson(*window.record));
    }
    if (kinds.contains(Rdx::FastValuesRead)) {
        QJsonArray values;
        for (int i = 0; i < fastCount(device); ++i)
            values.append(fastValues[size_t(i)]);
        object.insert(QStringLiteral("fastValues"), values);
    }
    return object;
}

QString text(const CData& device, const Rdx::FastValues& fastValues, const QSet<int>& kinds)
{
    QString out;
    if (kinds.contains(Rdx::StatusRead)) {
        for (const Coded& field : statusFields(device))
            out +=
                line(field.caption, field.name.isEmpty() ? QStringLiteral("(code %1)").arg(field.value) : field.name);
    }
    if (kinds.contains(Rdx::PictureRead)) {
        for (const Numbered& field : pictureFields(device))
            out += line(field.caption, QString::number(field.value));
    }
    for (const Window& window : windows(device)) {
        if (kinds.contains(window.kind))
            out += line(window.caption, windowText(*window.record));
    }
    if (kinds.contains(Rdx::FastValuesRead)) {
        QStringList values;
        for (int i = 0; i < fastCount(device); ++i)
            values.append(QString::number(fastValues[size_t(i)]));
        out += line("Mosaic values", values.join(QLatin1Char(' ')));
    }
    return out;
}

QString errorText(int code)
{
    if (code >= Rdx::FirstTextedError && code <= Rdx::LastTextedError)
        return Rdx::deviceErrorTexts(true).at(code - Rdx::FirstTextedError).trimmed();
    return Rdx::unknownDeviceErrorText(code, true);
}

} // namespace DeviceReport
