#include "cli/CtlNames.h"

#include "pages/InputSources.h"

#include <array>

namespace {

// The Setting page's resolution items by format code; 4 has none.
const std::array<const char*, 13> formats = {
    "1024x768@60Hz",  "1440x1440@60Hz", "1280x1024@60Hz", "1920x1200@60Hz", "",
    "1920x1080@50Hz", "1920x1080@60Hz", "2560x816@60Hz",  "2880x800@60Hz",  "3072x720@60Hz",
    "3600x600@60Hz",  "1600x1344@60Hz", "1200x1600@60Hz"};
const std::array<const char*, 7> layouts = {"1X2", "2X1", "1X3", "3X1", "1X4", "4X1", "2X2"};
constexpr std::array<int, 7> rowsOfLayout = {3, 3, 4, 4, 5, 5, 4};
const std::array<const char*, 4> switchTimes = {"0S", "0.5S", "1S", "1.5S"};

int indexIn(const QString& word, const QStringList& names)
{
    for (int i = 0; i < names.size(); ++i) {
        if (!names.at(i).isEmpty() && word.compare(names.at(i), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A prefix and a number 1..4: "M2", "Out3", or just "2".
int numbered(const QString& word, const QString& prefix)
{
    QString digits = word;
    if (digits.startsWith(prefix, Qt::CaseInsensitive))
        digits = digits.mid(prefix.size());
    int value = 0;
    return CtlNames::parseInt(digits, 1, 4, &value) ? value - 1 : -1;
}

} // namespace

namespace CtlNames {

bool parseInt(const QString& word, int low, int high, int* value)
{
    bool ok = false;
    const int number = word.toInt(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

int inputCode(const QString& word)
{
    const int byName = indexIn(word, inputNames());
    if (byName >= 0)
        return byName;
    int code = -1;
    return parseInt(word, 0, InputSources::Count - 1, &code) ? code : -1;
}

QString inputName(int code)
{
    return InputSources::text(code);
}

QStringList inputNames()
{
    QStringList names;
    for (int code = 0; code < InputSources::Count; ++code)
        names.append(InputSources::text(code));
    return names;
}

int inputGroup(int code)
{
    return InputSources::group(code);
}

QStringList formatNames()
{
    QStringList names;
    for (const char* name : formats)
        names.append(QLatin1String(name));
    return names;
}

int formatCode(const QString& word)
{
    const int byName = indexIn(word, formatNames());
    if (byName >= 0)
        return byName;
    int code = -1;
    if (!parseInt(word, 0, int(formats.size()) - 1, &code) || formatName(code).isEmpty())
        return -1;
    return code;
}

QString formatName(int code)
{
    return code >= 0 && code < int(formats.size()) ? QString(QLatin1String(formats[size_t(code)])) : QString();
}

int modelIndex(const QString& word)
{
    return numbered(word, QStringLiteral("M"));
}

QString modelName(int index)
{
    return index >= 0 && index < 4 ? QStringLiteral("M%1").arg(index + 1) : QString();
}

int portIndex(const QString& word)
{
    return numbered(word, QStringLiteral("Out"));
}

QString portName(int index)
{
    return index >= 0 && index < 4 ? QStringLiteral("Out%1").arg(index + 1) : QString();
}

QStringList layoutNames()
{
    QStringList names;
    for (const char* name : layouts)
        names.append(QLatin1String(name));
    return names;
}

int layoutIndex(const QString& word)
{
    const int byName = indexIn(word, layoutNames());
    if (byName >= 0)
        return byName;
    int index = -1;
    return parseInt(word, 0, int(layouts.size()) - 1, &index) ? index : -1;
}

QString layoutName(int index)
{
    return index >= 0 && index < int(layouts.size()) ? QString(QLatin1String(layouts[size_t(index)])) : QString();
}

int layoutRows(int index)
{
    return index >= 0 && index < int(rowsOfLayout.size()) ? rowsOfLayout[size_t(index)] : 0;
}

bool layoutRowIsWidth(int index, int row)
{
    const int rows = layoutRows(index);
    if (index == 6)
        return row < 2; // two column widths, then two row heights
    if (index % 2 == 1)
        return row < rows - 1; // side by side: each output's width, then the common height
    return row == 0;           // stacked: the common width, then each output's height
}

int switchTimeIndex(const QString& word)
{
    QStringList names;
    for (const char* name : switchTimes)
        names.append(QLatin1String(name));
    const int byName = indexIn(word, names);
    if (byName >= 0)
        return byName;
    if (word == QLatin1String("0.5"))
        return 1;
    if (word == QLatin1String("1.5"))
        return 3;
    int index = -1;
    return parseInt(word, 0, 3, &index) ? index : -1;
}

QString switchTimeName(int index)
{
    return index >= 0 && index < int(switchTimes.size()) ? QString(QLatin1String(switchTimes[size_t(index)]))
                                                         : QString();
}

} // namespace CtlNames
