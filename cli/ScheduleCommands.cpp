#include "cli/ScheduleCommands.h"

#include "cli/CtlNames.h"
#include "schedule/FiredState.h"
#include "schedule/TimeFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <algorithm>
#include <array>

namespace ScheduleCommands {

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitUnreachable = 4;
constexpr int EveryDay = 0x7F;
constexpr int DefaultNextCount = 5;

// Monday first, as operators write day ranges; the mask bit is (index + 1) % 7.
const std::array<const char*, 7> dayWords = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

int bitOfDay(int mondayFirst)
{
    return 1 << ((mondayFirst + 1) % 7);
}

int dayIndex(const QString& word)
{
    for (int i = 0; i < 7; ++i) {
        if (word.compare(QLatin1String(dayWords[size_t(i)]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Result usage(const QString& text)
{
    Result result;
    result.exitCode = ExitUsage;
    result.error = text;
    return result;
}

Result unusable(const QString& text)
{
    Result result;
    result.exitCode = ExitUnreachable;
    result.error = text;
    return result;
}

struct Loaded
{
    bool ok = false;
    QString error;
    TimeItems items;
};

// The entries as the panel's table holds them after loading: sorted, rows numbered from 1 in that order.
Loaded load(const QString& path)
{
    Loaded loaded;
    QFile file(path);
    if (!file.exists()) {
        loaded.ok = true;
        return loaded;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return loaded;
    }
    TimeFile::Contents contents = TimeFile::read(file.readAll());
    if (contents.status != TimeFile::Status::Whole) {
        loaded.error = QStringLiteral("%1 is damaged at byte %2; open the panel to keep it aside")
                           .arg(path)
                           .arg(contents.badOffset);
        return loaded;
    }
    loaded.items = std::move(contents.items);
    std::stable_sort(loaded.items.begin(), loaded.items.end(), [](const auto& a, const auto& b) { return *a < *b; });
    loaded.ok = true;
    return loaded;
}

QJsonObject entryJson(int row, const MyTimeItem& item)
{
    return {{QStringLiteral("row"), row},
            {QStringLiteral("time"), timeText(item.m_time)},
            {QStringLiteral("signal"), item.m_signal},
            {QStringLiteral("signalName"), signalName(item.m_signal)},
            {QStringLiteral("week"), item.m_week},
            {QStringLiteral("weekName"), daysWord(item.m_week)},
            {QStringLiteral("repeat"), item.m_repeat},
            {QStringLiteral("active"), item.m_active}};
}

QString entryText(int row, const MyTimeItem& item)
{
    return QStringLiteral("%1  %2  %3  %4  %5  %6\n")
        .arg(row, 3)
        .arg(timeText(item.m_time), -5)
        .arg(signalName(item.m_signal), -5)
        .arg(daysWord(item.m_week), -15)
        .arg(item.m_repeat ? QStringLiteral("repeat") : QStringLiteral("once  "))
        .arg(item.m_active ? QStringLiteral("active") : QStringLiteral("inactive"));
}

Result list(const TimeItems& items)
{
    Result result;
    QJsonArray entries;
    for (size_t i = 0; i < items.size(); ++i) {
        entries.append(entryJson(int(i) + 1, *items[i]));
        result.text += entryText(int(i) + 1, *items[i]);
    }
    result.json.insert(QStringLiteral("entries"), entries);
    return result;
}

// The firings still to come from `now` on, across the next week: a one-shot entry fires once, and a firing
// the panel or the service already made in this minute is not to come.
Result next(const TimeItems& items, const QDateTime& now, int count, const QVector<FiredState::Firing>& fired)
{
    struct Firing
    {
        QDateTime at;
        int row;
    };
    QVector<Firing> firings;
    const QTime minuteNow = QTime(now.time().hour(), now.time().minute());
    for (size_t i = 0; i < items.size(); ++i) {
        const MyTimeItem& item = *items[i];
        if (!item.m_active || !item.m_time.isValid())
            continue;
        for (int day = 0; day <= 7; ++day) {
            const QDate date = now.date().addDays(day);
            if (!(item.m_week & dayBit(date)) || (day == 0 && item.m_time < minuteNow))
                continue;
            const QDateTime at(date, QTime(item.m_time.hour(), item.m_time.minute()));
            if (fired.contains(FiredState::of(item, at)))
                continue;
            firings.append({at, int(i) + 1});
            if (!item.m_repeat)
                break;
        }
    }
    std::stable_sort(firings.begin(), firings.end(), [](const Firing& a, const Firing& b) { return a.at < b.at; });
    Result result;
    QJsonArray list;
    for (int i = 0; i < std::min(count, int(firings.size())); ++i) {
        const Firing& firing = firings[i];
        const MyTimeItem& item = *items[size_t(firing.row - 1)];
        const QString date = firing.at.date().toString(Qt::ISODate);
        const QString weekday = QLatin1String(dayWords[size_t(firing.at.date().dayOfWeek() - 1)]);
        QJsonObject entry = entryJson(firing.row, item);
        entry.insert(QStringLiteral("date"), date);
        entry.insert(QStringLiteral("weekday"), weekday);
        list.append(entry);
        result.text += QStringLiteral("%1 %2 %3  %4  (row %5)\n")
                           .arg(date, weekday, timeText(item.m_time), signalName(item.m_signal))
                           .arg(firing.row);
    }
    result.json.insert(QStringLiteral("firings"), list);
    return result;
}

// Reads the row argument: 1 .. number of entries.
bool rowOf(const QString& word, const TimeItems& items, int* row)
{
    return CtlNames::parseInt(word, 1, int(items.size()), row);
}

} // namespace

int parseDays(const QString& text)
{
    if (text.compare(QLatin1String("daily"), Qt::CaseInsensitive) == 0)
        return EveryDay;
    int mask = 0;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return 0;
        const int first = dayIndex(ends.first());
        const int last = dayIndex(ends.last());
        if (first < 0 || last < 0)
            return 0;
        // A range may wrap past Sunday: Sat-Mon is Saturday, Sunday, Monday.
        for (int day = first;; day = (day + 1) % 7) {
            mask |= bitOfDay(day);
            if (day == last)
                break;
        }
    }
    return mask;
}

QString daysWord(int mask)
{
    mask &= EveryDay;
    if (mask == EveryDay)
        return QStringLiteral("daily");
    if (mask == 0)
        return QStringLiteral("none");
    QStringList parts;
    for (int day = 0; day < 7;) {
        if (!(mask & bitOfDay(day))) {
            ++day;
            continue;
        }
        int last = day;
        while (last + 1 < 7 && (mask & bitOfDay(last + 1)))
            ++last;
        const QString first = QLatin1String(dayWords[size_t(day)]);
        if (last == day)
            parts.append(first);
        else if (last == day + 1)
            parts << first << QLatin1String(dayWords[size_t(last)]);
        else
            parts.append(first + QLatin1Char('-') + QLatin1String(dayWords[size_t(last)]));
        day = last + 1;
    }
    return parts.join(QLatin1Char(','));
}

Result run(const Request& request)
{
    const QString sub = request.args.value(0);
    const QStringList args = request.args.mid(1);
    const QString path = QDir(request.folder).filePath(QStringLiteral("time.t"));
    const bool reading = sub == QLatin1String("list") || sub == QLatin1String("next");
    const bool editing = sub == QLatin1String("add") || sub == QLatin1String("remove") ||
                         sub == QLatin1String("enable") || sub == QLatin1String("disable");
    if (!reading && !editing)
        return usage(QStringLiteral("usage: schedule list | next [N] | add HH:MM INPUT DAYS [--once] [--inactive] | "
                                    "remove ROW | enable ROW | disable ROW"));

    // Checked before the file is touched.
    std::unique_ptr<MyTimeItem> added;
    int nextCount = DefaultNextCount;
    if (sub == QLatin1String("list") && !args.isEmpty())
        return usage(QStringLiteral("usage: schedule list"));
    if (sub == QLatin1String("next") &&
        (args.size() > 1 || (args.size() == 1 && !CtlNames::parseInt(args.at(0), 1, 1000, &nextCount))))
        return usage(QStringLiteral("usage: schedule next [N], N from 1 to 1000"));
    if (sub == QLatin1String("add")) {
        if (args.size() != 3)
            return usage(QStringLiteral("usage: schedule add HH:MM INPUT DAYS [--once] [--inactive]"));
        const QTime time = parseTimeText(args.at(0));
        const int input = CtlNames::inputCode(args.at(1));
        const int days = parseDays(args.at(2));
        if (!time.isValid())
            return usage(QStringLiteral("time \"%1\" is not HH:MM").arg(args.at(0)));
        if (input < 0)
            return usage(QStringLiteral("input \"%1\" is none of %2")
                             .arg(args.at(1), CtlNames::inputNames().join(QStringLiteral(", "))));
        if (days == 0)
            return usage(QStringLiteral("days \"%1\" are not \"daily\" or a list such as Mon-Fri,Sun").arg(args.at(2)));
        added = std::make_unique<MyTimeItem>();
        added->m_time = time;
        added->m_signal = input;
        added->m_week = days;
        added->m_repeat = request.once ? 0 : 1;
        added->m_active = request.inactive ? 0 : 1;
    } else if (editing && args.size() != 1) {
        return usage(QStringLiteral("usage: schedule %1 ROW").arg(sub));
    }

    if (reading) {
        const Loaded loaded = load(path);
        if (!loaded.ok)
            return unusable(loaded.error);
        return sub == QLatin1String("list") ? list(loaded.items)
                                            : next(loaded.items, request.now, nextCount, FiredState::read(path));
    }

    // Under the schedule's lock, on the file as it is now, as every writer of time.t changes it.
    QString rowError;
    const auto byEntryOrder = [](const auto& a, const auto& b) { return *a < *b; };
    TimeFile::Edit edit = TimeFile::edit(path, [&](TimeItems& items) {
        std::stable_sort(items.begin(), items.end(), byEntryOrder);
        if (added) {
            items.push_back(std::move(added));
        } else {
            int row = 0;
            if (!rowOf(args.at(0), items, &row)) {
                rowError = QStringLiteral("row \"%1\" is not a row from 1 to %2").arg(args.at(0)).arg(items.size());
                return false;
            }
            if (sub == QLatin1String("remove"))
                items.erase(items.begin() + (row - 1));
            else
                items[size_t(row - 1)]->m_active = sub == QLatin1String("enable") ? 1 : 0;
        }
        std::stable_sort(items.begin(), items.end(), byEntryOrder);
        return true;
    });
    if (!rowError.isEmpty())
        return usage(rowError);
    if (!edit.saved)
        return unusable(QStringLiteral("%1 was not changed: %2").arg(path, edit.error));
    return list(edit.items);
}

} // namespace ScheduleCommands
