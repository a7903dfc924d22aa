#include "schedule/TableModel.h"

#include "schedule/FiredState.h"
#include "schedule/ScheduleClock.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QMap>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

Q_LOGGING_CATEGORY(lcSchedule, "rdx480.schedule")

namespace {

const QString defaultFileName = QStringLiteral("time.t");

struct Texts
{
    QStringList headers;
    QStringList days; // keys 0..8
    QStringList messages;
    QString keptFile;
    QString skippedRecords;
    QString fileLeftAlone;
    QString saveFailed;
};

const Texts& textsFor(bool english)
{
    static const Texts englishTexts{
        {QStringLiteral("StarTime"), QStringLiteral("Single"), QStringLiteral("Week"), QStringLiteral("Repate"),
         QStringLiteral("Active")},
        {QStringLiteral("Sunday "), QStringLiteral("Monday "), QStringLiteral("Tuesday "), QStringLiteral("Wednesday "),
         QStringLiteral("Thursday "), QStringLiteral("Friday "), QStringLiteral("Saturday"),
         QStringLiteral("Every day "), QStringLiteral("Empty")},
        {QStringLiteral("Error"), QStringLiteral("One has been activated at this time.")},
        QStringLiteral("The schedule file %1 could not be read in full. It was kept as %2; the table shows the "
                       "entries that could be read."),
        QStringLiteral("The schedule file %1 held damaged records: %3 skipped. It was kept as %2; the table shows "
                       "the other entries."),
        QStringLiteral("The schedule file %1 could not be read and was left as it is. Changes to the schedule are "
                       "not saved."),
        QStringLiteral("The schedule could not be saved to %1: %2"),
    };
    static const Texts chineseTexts{
        {QStringLiteral("开始时间"), QStringLiteral("信号"), QStringLiteral("周期"), QStringLiteral("重复"),
         QStringLiteral("状态")},
        {QStringLiteral("日 "), QStringLiteral("一 "), QStringLiteral("二 "), QStringLiteral("三 "),
         QStringLiteral("四 "), QStringLiteral("五 "), QStringLiteral("六 "), QStringLiteral("每天 "),
         QStringLiteral("无")},
        {QStringLiteral("错误"), QStringLiteral("在本时间内已经有一个被激活了")},
        QStringLiteral("定时文件 %1 无法完整读取，已另存为 %2；表中显示可以读取的条目。"),
        QStringLiteral("定时文件 %1 中有损坏的记录：已跳过 %3 条。原文件已另存为 %2；表中显示其余条目。"),
        QStringLiteral("定时文件 %1 无法读取，已保持原样。定时表的修改不会保存。"),
        QStringLiteral("定时表无法保存到 %1：%2"),
    };
    return english ? englishTexts : chineseTexts;
}

constexpr int MinutesOfDay = 24 * 60;

int minuteOf(const QTime& time)
{
    return time.msecsSinceStartOfDay() / 60000;
}

// The entries' own order (an invalid time first, ties kept in place), reached by one counting pass over the
// minutes and a sort of each minute's few keys, all in contiguous arrays: a comparison sort that follows ten
// thousand scattered pointers costs several times as much.
void sortByMinute(TimeItems& items)
{
    struct Key
    {
        quint64 order; // time (an invalid one below every valid one), then the active value
        quint32 position;
        bool operator<(const Key& other) const
        {
            return std::tie(order, position) < std::tie(other.order, other.position);
        }
    };
    // Slot 0 holds the entries without a valid time; minute m is slot m + 1.
    std::vector<int> slotOfEntry(items.size());
    std::vector<Key> keys(items.size());
    std::vector<int> next(MinutesOfDay + 2, 0);
    for (size_t i = 0; i < items.size(); ++i) {
        const MyTimeItem& item = *items[i];
        const bool timed = item.m_time.isValid();
        slotOfEntry[i] = timed ? 1 + minuteOf(item.m_time) : 0;
        const quint64 time = timed ? quint64(item.m_time.msecsSinceStartOfDay()) + 1 : 0;
        keys[i] = {time << 32 | (quint32(item.m_active) ^ 0x80000000u), quint32(i)};
        ++next[size_t(slotOfEntry[i]) + 1];
    }
    std::partial_sum(next.begin(), next.end(), next.begin());
    std::vector<Key> sortedKeys(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        sortedKeys[size_t(next[size_t(slotOfEntry[i])]++)] = keys[i];
    // Each slot's start has moved on to its end.
    auto begin = sortedKeys.begin();
    for (int slot = 0; slot <= MinutesOfDay; ++slot) {
        const auto end = sortedKeys.begin() + next[size_t(slot)];
        std::sort(begin, end);
        begin = end;
    }
    TimeItems sorted;
    sorted.reserve(items.size());
    for (const Key& key : sortedKeys)
        sorted.push_back(std::move(items[key.position]));
    items = std::move(sorted);
}

} // namespace

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent) {}

TableModel::~TableModel() = default;

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !isRow(index.row()) || index.column() >= ColumnCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const MyTimeItem& item = *m_items[size_t(index.row())];
    switch (index.column()) {
    case TimeColumn:
        return timeText(item.m_time);
    case SignalColumn:
        return signalName(item.m_signal);
    case WeekColumn:
        return role == Qt::DisplayRole ? QVariant(daysText(item.m_week)) : QVariant(item.m_week);
    case RepeatColumn:
        return item.m_repeat;
    default:
        return item.m_active;
    }
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !isRow(index.row()) || index.column() >= ColumnCount)
        return false;
    MyTimeItem& item = *m_items[size_t(index.row())];
    const QVector<int> clashedBefore = clashesOf(index.row());
    switch (index.column()) {
    case TimeColumn: {
        const QTime time = parseTimeText(value.toString());
        if (time == item.m_time)
            return true;
        item.m_time = time;
        break;
    }
    case SignalColumn:
        if (value.toInt() == item.m_signal)
            return true;
        item.m_signal = value.toInt();
        break;
    case WeekColumn:
        if (value.toInt() == item.m_week)
            return true;
        item.m_week = value.toInt();
        break;
    case RepeatColumn:
        if (value.toInt() == item.m_repeat)
            return true;
        item.m_repeat = value.toInt();
        break;
    default:
        if (value.toInt() == item.m_active)
            return true;
        item.m_active = value.toInt();
        break;
    }
    // Sorted and filtered views follow the change; the "Repate" flag plays no part in today's list.
    emit dataChanged(index, index);
    if (index.column() != RepeatColumn) {
        adjust();
        // Once for the change that makes the clash, not again for every later edit of the same rows.
        const QVector<int> clashes = clashesOf(index.row());
        if (std::any_of(clashes.begin(), clashes.end(), [&](int row) { return !clashedBefore.contains(row); }) &&
            m_messages.size() >= 2)
            emit send_message(m_messages.at(0), m_messages.at(1));
    }
    changed();
    return true;
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return section + 1;
}

bool TableModel::setHeaderData(int, Qt::Orientation, const QVariant&, int)
{
    return false;
}

bool TableModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count <= 0)
        return false;
    row = std::clamp(row, 0, int(m_items.size()));
    beginInsertRows(QModelIndex(), row, row + count - 1);
    for (int i = 0; i < count; ++i)
        m_items.insert(m_items.begin() + row, std::make_unique<MyTimeItem>());
    endInsertRows();
    adjust();
    emit charge_Value(false);
    changed();
    return true;
}

bool TableModel::removeRows(int row, int count, const QModelIndex& parent)
{
    const int first = std::max(row, 0);
    const int last = std::min(row + count - 1, int(m_items.size()) - 1);
    if (parent.isValid() || count <= 0 || first > last)
        return false;
    beginRemoveRows(QModelIndex(), first, last);
    m_items.erase(m_items.begin() + first, m_items.begin() + last + 1);
    endRemoveRows();
    adjust();
    emit charge_Value(false);
    changed();
    return true;
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid())
        result |= Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return result;
}

void TableModel::setLanguage(bool english)
{
    const Texts& texts = textsFor(english);
    m_english = english;
    m_headers = texts.headers;
    m_messages = texts.messages;
    QMap<int, QString>& names = dayNames();
    names.clear();
    for (int key = 0; key < texts.days.size(); ++key)
        names.insert(key, texts.days.at(key));
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_items.empty())
        emit dataChanged(index(0, WeekColumn), index(rowCount() - 1, WeekColumn));
}

void TableModel::clearAll()
{
    beginResetModel();
    m_items.clear();
    endResetModel();
    adjust();
    changed();
}

QTime TableModel::timeAt(int row) const
{
    return isRow(row) ? m_items[size_t(row)]->m_time : QTime();
}

int TableModel::signalAt(int row) const
{
    return isRow(row) ? m_items[size_t(row)]->m_signal : -1;
}

bool TableModel::isActiveAt(int row) const
{
    return isRow(row) && m_items[size_t(row)]->m_active != 0;
}

void TableModel::markFired(int row)
{
    if (!isRow(row) || m_items[size_t(row)]->m_repeat != 0 || m_items[size_t(row)]->m_active == 0)
        return;
    m_items[size_t(row)]->m_active = 0;
    const QModelIndex cell = index(row, ActiveColumn);
    emit dataChanged(cell, cell);
    changed();
}

void TableModel::adjust()
{
    // The due-today test of every entry, with the clock read once.
    const QDateTime now = ScheduleClock::now();
    const int today = dayBit(now.date());
    const QTime minute = ScheduleClock::wholeMinute(now.time());
    // The first row of each minute still to come.
    std::vector<int> rowOfMinute(MinutesOfDay, -1);
    for (int row = 0; row < int(m_items.size()); ++row) {
        const MyTimeItem& item = *m_items[size_t(row)];
        if (item.m_active != 0 && (item.m_week & today) != 0 && item.m_time.isValid() && minute <= item.m_time) {
            int& first = rowOfMinute[size_t(minuteOf(item.m_time))];
            if (first < 0)
                first = row;
        }
    }
    m_todayRows.clear();
    for (const int row : rowOfMinute) {
        if (row >= 0)
            m_todayRows.append(row);
    }
    m_builtFor = now.date();
    qCDebug(lcSchedule) << "in send starTime";
    emit send_starTime(m_todayRows.size());
}

void TableModel::settleFileName(const QString& filename)
{
    if (!filename.isEmpty())
        m_fileName = filename;
    if (m_fileName.isEmpty())
        m_fileName = defaultFileName;
}

void TableModel::load(const QString& filename)
{
    settleFileName(filename);
    // After the table is shown: the first paint does not wait for the watcher.
    if (m_watch)
        QMetaObject::invokeMethod(
            this, [this] { startWatching(); }, Qt::QueuedConnection);
    QFile file(m_fileName);
    if (!file.exists()) {
        m_fileState = FileState::Loaded;
        m_base.clear();
        m_baseBytes.clear();
        adjust();
        return;
    }
    // No lock to read: writers rename whole files into place (and where they cannot, no lock can be made).
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSchedule) << "cannot read" << m_fileName << file.errorString();
        m_fileState = FileState::Blocked;
        emit send_message(textsFor(m_english).messages.at(0), textsFor(m_english).fileLeftAlone.arg(m_fileName));
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    TimeFile::Contents contents = TimeFile::read(bytes);
    m_fileState = FileState::Loaded;
    // Encoded when a save first needs it: a load reads the file and no more.
    m_base.clear();
    m_baseBytes = bytes;
    if (contents.status != TimeFile::Status::Whole) {
        keepDamagedFile(
            QStringLiteral("damaged at byte %1, %2 records skipped").arg(contents.badOffset).arg(contents.skipped),
            contents.skipped);
        m_baseBytes.clear(); // the file is gone: the next save writes every entry that could be read
    }
    if (contents.status == TimeFile::Status::Refused) {
        adjust();
        return;
    }
    replaceItems(std::move(contents.items));
    // The entries that could be read replace the file that was moved aside.
    if (contents.status == TimeFile::Status::Damaged)
        changed();
}

void TableModel::replaceItems(TimeItems items)
{
    beginResetModel();
    m_items = std::move(items);
    // A file this program saved is in order already; looking costs one pass.
    const auto before = [](const auto& a, const auto& b) { return *a < *b; };
    if (!std::is_sorted(m_items.begin(), m_items.end(), before))
        sortByMinute(m_items);
    adjust();
    endResetModel();
}

void TableModel::watchFolder()
{
    m_watch = true;
    if (m_fileState != FileState::NotLoaded)
        startWatching();
}

void TableModel::startWatching()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        m_settle = new QTimer(this);
        m_settle->setSingleShot(true);
        // A writer's lock, new file and rename arrive as a burst: look once it is over.
        m_settle->setInterval(100);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle, qOverload<>(&QTimer::start));
        connect(m_watcher, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
        connect(m_settle, &QTimer::timeout, this, &TableModel::lookAtFolder);
        QFile state(FiredState::fileName(m_fileName));
        if (state.open(QIODevice::ReadOnly))
            m_stateBytes = state.readAll();
    }
    // A file replaced by a rename is a new file: watch it afresh. Written in place, the folder may not change.
    const QStringList paths{QFileInfo(m_fileName).absolutePath(), QFileInfo(m_fileName).absoluteFilePath(),
                            QFileInfo(FiredState::fileName(m_fileName)).absoluteFilePath()};
    for (const QString& path : paths)
        if (QFileInfo::exists(path) && !m_watcher->files().contains(path) && !m_watcher->directories().contains(path))
            m_watcher->addPath(path);
}

void TableModel::lookAtFolder()
{
    if (m_watcher) {
        startWatching();
        QFile state(FiredState::fileName(m_fileName));
        const QByteArray stateBytes = state.open(QIODevice::ReadOnly) ? state.readAll() : QByteArray();
        if (stateBytes != m_stateBytes) {
            m_stateBytes = stateBytes;
            emit send_stateChanged();
        }
    }
    if (m_fileState != FileState::Loaded || (m_hold && m_hold()))
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    TimeFile::Contents contents = TimeFile::read(file.readAll());
    // A file caught half-written (written in place) is looked at again when its writer is done.
    if (contents.status != TimeFile::Status::Whole)
        return;
    QVector<QByteArray> theirs = TimeFile::records(contents.items);
    QVector<QByteArray> ours = TimeFile::records(m_items);
    m_base = theirs;
    m_baseBytes.clear();
    std::sort(theirs.begin(), theirs.end());
    std::sort(ours.begin(), ours.end());
    if (theirs != ours) {
        qCInfo(lcSchedule) << m_fileName << "was changed by another program: reading it again";
        replaceItems(std::move(contents.items));
    }
}

// The operator's file is moved aside, never overwritten; if it cannot be moved, the table is not saved.
void TableModel::keepDamagedFile(const QString& why, int skipped)
{
    const Texts& texts = textsFor(m_english);
    const QString stamp = ScheduleClock::now().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString kept = m_fileName + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFile::exists(kept); ++n)
        kept = m_fileName + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    qCWarning(lcSchedule) << m_fileName << why << "- keeping it as" << kept;
    if (QFile::rename(m_fileName, kept)) {
        emit send_message(texts.messages.at(0), skipped > 0 ? texts.skippedRecords.arg(m_fileName, kept).arg(skipped)
                                                            : texts.keptFile.arg(m_fileName, kept));
    } else {
        m_fileState = FileState::Blocked;
        emit send_message(texts.messages.at(0), texts.fileLeftAlone.arg(m_fileName));
    }
}

// This table's changes since it last read or wrote the file (entries gone, entries new, an edit being both)
// are applied to the file as it is now, so another program's save in between is kept.
void TableModel::save(const QString& filename)
{
    settleFileName(filename);
    // Every change is saved when it is made: at exit there is nothing left to write, unless a save failed
    // (or there is no file yet).
    if (m_fileState != FileState::Loaded || (!m_unsaved && QFile::exists(m_fileName)))
        return;
    bool merged = false;
    TimeFile::Edit done = TimeFile::edit(m_fileName, [this, &merged](TimeItems& current) {
        if (!m_baseBytes.isEmpty()) {
            m_base = TimeFile::records(TimeFile::read(m_baseBytes).items);
            m_baseBytes.clear();
        }
        const QVector<QByteArray> found = TimeFile::records(current);
        if (found == m_base) {
            current = TimeFile::copy(m_items);
            return true;
        }
        merged = true;
        QHash<QByteArray, int> gone;
        for (const QByteArray& record : m_base)
            ++gone[record];
        TimeItems added;
        const QVector<QByteArray> ours = TimeFile::records(m_items);
        for (int i = 0; i < ours.size(); ++i) {
            if (gone.value(ours.at(i)) > 0)
                --gone[ours.at(i)];
            else
                added.push_back(std::make_unique<MyTimeItem>(*m_items[size_t(i)]));
        }
        TimeItems result;
        for (size_t i = 0; i < current.size(); ++i) {
            if (gone.value(found.at(int(i))) > 0)
                --gone[found.at(int(i))];
            else
                result.push_back(std::move(current[i]));
        }
        for (auto& item : added)
            result.push_back(std::move(item));
        current = std::move(result);
        return true;
    });
    if (!done.saved) {
        qCWarning(lcSchedule) << "cannot save" << m_fileName << done.error;
        // One message per run of failures, not one per edit.
        if (!m_saveFailureShown) {
            m_saveFailureShown = true;
            emit send_message(textsFor(m_english).messages.at(0),
                              textsFor(m_english).saveFailed.arg(m_fileName, done.error));
        }
        return;
    }
    m_saveFailureShown = false;
    m_unsaved = false;
    m_base = TimeFile::records(done.items);
    // Show what the file holds now; not inside the edit that caused the save, which a view is committing.
    if (merged)
        QMetaObject::invokeMethod(this, &TableModel::lookAtFolder, Qt::QueuedConnection);
}

void TableModel::changed()
{
    m_unsaved = true;
    save(QString());
}

QVector<int> TableModel::clashesOf(int row) const
{
    QVector<int> rows;
    const MyTimeItem& edited = *m_items[size_t(row)];
    if (edited.m_active == 0 || !edited.m_time.isValid())
        return rows;
    const QTime minute = ScheduleClock::wholeMinute(edited.m_time);
    for (int other = 0; other < int(m_items.size()); ++other) {
        const MyTimeItem& item = *m_items[size_t(other)];
        if (other != row && item.m_active != 0 && (item.m_week & edited.m_week) != 0 &&
            ScheduleClock::wholeMinute(item.m_time) == minute)
            rows.append(other);
    }
    return rows;
}
