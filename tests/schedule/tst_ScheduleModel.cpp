#include "schedule/ProxyModel.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/TimeFile.h"

#include <QAbstractItemModelTester>
#include <QDataStream>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

namespace {

// File permissions apply to this scope even when the tests run as root (root's file system rights go with
// its file system uid).
struct NotRoot
{
    NotRoot() : wasRoot(geteuid() == 0)
    {
        if (wasRoot) {
            setfsgid(65534);
            setfsuid(65534);
        }
    }
    ~NotRoot()
    {
        if (wasRoot) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    bool wasRoot;
};

const QString fileName = QStringLiteral("time.t");
const QByteArray header = QByteArray::fromHex("5A6970430064");
// 08:30, HDMI1, Monday to Friday, repeating, active.
const QByteArray worked = QByteArray::fromHex("0000000A 0030 0038 003A 0033 0030 00000004 0000003E 00000001 00000001");

// One record as the file holds it; a null time is written as the null marker.
QByteArray record(const char* time, int input, int week = 127, int repeat = 1, int active = 1)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << (time ? QString::fromLatin1(time) : QString()) << qint32(input) << qint32(week) << qint32(repeat)
        << qint32(active);
    return bytes;
}

QByteArray readAll(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QByteArray& bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList keptFiles()
{
    return QDir().entryList({fileName + QStringLiteral(".damaged-*")}, QDir::Files);
}

// Takes so many bytes, then refuses every write: a full disk in the middle of a save.
struct FailDevice : QIODevice
{
    FailDevice(QIODevice* inner, qint64 failAfter) : inner(inner), left(failAfter)
    {
        open(WriteOnly);
        setErrorString(QStringLiteral("No space left on device"));
    }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 n = std::min(size, left);
        left -= n;
        return n > 0 ? inner->write(data, n) : -1;
    }
    QIODevice* inner;
    qint64 left;
};

const QDateTime mondayMorning(QDate(2026, 3, 2), QTime(7, 30, 45));
constexpr int Monday = 1 << 1;
constexpr int Tuesday = 1 << 2;

// time, active, days
using Entries = QVector<std::tuple<const char*, int, int>>;

void fill(TableModel& model, const Entries& entries)
{
    for (const auto& [time, active, days] : entries) {
        const int row = model.rowCount();
        model.insertRows(row, 1);
        model.setData(model.index(row, TableModel::TimeColumn), QLatin1String(time));
        model.setData(model.index(row, TableModel::WeekColumn), days);
        model.setData(model.index(row, TableModel::ActiveColumn), active);
    }
}

} // namespace

Q_DECLARE_METATYPE(Entries)

// The schedule's entries without a page: time.t as the model reads and writes it, and the firing list.
class tst_ScheduleModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScheduleClock::set(mondayMorning);
        for (const QString& name : QDir().entryList({fileName + QLatin1Char('*')}, QDir::Files))
            QFile::remove(name);
        QDir().rmdir(fileName);
    }
    void cleanup() { TimeFile::setWriteThrough({}); }

    // The worked record read field by field; a file of format -1 with a null time and the same minute inactive
    // and active is loaded sorted and saved in the same bytes (seconds are not stored: a new row holds them).
    void workedRecordAndRoundTrip()
    {
        const TimeFile::Contents contents = TimeFile::read(header + worked);
        QCOMPARE(contents.items.size(), size_t(1));
        const MyTimeItem& item = *contents.items[0];
        QCOMPARE(QVector<int>({item.m_time.hour(), item.m_time.minute(), item.m_signal, item.m_week, item.m_repeat,
                               item.m_active}),
                 QVector<int>({8, 30, 4, 0x3E, 1, 1}));

        writeFile(QByteArray::fromHex("5A697043FFFF") + record("10:00", 1) + record("08:00", 2) + worked +
                  record("08:00", 3, 127, 1, 0) + record(nullptr, 0));
        const QByteArray loaded = readAll(fileName);
        TableModel model;
        model.load();
        model.save(); // nothing changed: the file stays as it was
        QCOMPARE(readAll(fileName), loaded);
        model.insertRows(0, 1);
        model.removeRows(0, 1);
        QCOMPARE(readAll(fileName).toHex(), QByteArray(header + record(nullptr, 0) + record("08:00", 3, 127, 1, 0) +
                                                       record("08:00", 2) + worked + record("10:00", 1))
                                                .toHex());
        QVERIFY(keptFiles().isEmpty());
    }

    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");    // entries read
        QTest::addColumn<int>("skipped"); // whole records passed over, told to the operator
        const QByteArray good = header + worked;
        QTest::newRow("empty file") << QByteArray() << 0 << 0;
        QTest::newRow("header cut short") << header.left(5) << 0 << 0;
        QTest::newRow("wrong magic") << QByteArray::fromHex("5A6970440064") + worked << 0 << 0;
        QTest::newRow("format 101") << QByteArray::fromHex("5A6970430065") + worked << 0 << 0;
        QTest::newRow("odd text length") << good + QByteArray::fromHex("0000000B") + worked.mid(4) + worked << 1 << 0;
        QTest::newRow("trailing partial record") << good + worked.left(10) << 1 << 0;
        QTest::newRow("numbers cut short") << good + good.mid(6, 29) << 1 << 0;
        QTest::newRow("texts that are no time: skipped, reading goes on")
            << good + record("8h:3m", 4) + worked + record("25:00", 1) + worked << 3 << 2;
    }

    void damagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        writeFile(bytes);
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        model.setLanguage(true);
        model.load();
        QCOMPARE(model.rowCount(), kept);
        QCOMPARE(keptFiles().size(), 1);

        model.insertRows(0, 1); // saves: the good entries and the new one, the operator's file untouched
        model.save();
        QCOMPARE(TimeFile::read(readAll(fileName)).items.size(), size_t(kept + 1));
        QCOMPARE(readAll(keptFiles().first()), bytes);
        QCOMPARE(messages.count(), 1);
        QFETCH(int, skipped);
        QCOMPARE(messages.first().at(1).toString().contains(QStringLiteral(": %1 skipped").arg(skipped)), skipped > 0);
    }

    void unreadableFileIsNeverReplaced()
    {
        QVERIFY(QDir().mkdir(fileName)); // exists, cannot be read as a file
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        model.load();
        model.insertRows(0, 2);
        model.save();
        QCOMPARE(messages.count(), 1);
        QVERIFY(QFileInfo(fileName).isDir());

        QVERIFY(QDir().rmdir(fileName));
        TableModel neverLoaded; // a page closed before its queued load ran
        neverLoaded.save();
        QVERIFY(!QFile::exists(fileName));
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("failAfter");
        QTest::newRow("nothing written") << 0;
        QTest::newRow("within a record") << 20;
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(int, failAfter);
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        model.load();
        model.insertRows(0, 2);
        const QByteArray before = readAll(fileName);
        QCOMPARE(TimeFile::read(before).items.size(), size_t(2));

        TimeFile::setWriteThrough(
            [failAfter](QIODevice* file) { return std::make_unique<FailDevice>(file, failAfter); });
        model.setData(model.index(0, TableModel::SignalColumn), 6);
        model.setData(model.index(1, TableModel::SignalColumn), 7);
        QCOMPARE(readAll(fileName), before);
        QCOMPARE(messages.count(), 1); // once, not once per edit
        QVERIFY(messages.first().at(1).toString().contains(QLatin1String("No space left on device")));

        TimeFile::setWriteThrough({});
        model.setData(model.index(0, TableModel::RepeatColumn), 1);
        QCOMPARE(TimeFile::read(readAll(fileName)).items[1]->m_signal, 7);
    }

    void firingList_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QVector<int>>("rows");
        QTest::newRow("time order, lowest row per minute")
            << Entries{{"09:00", 1, Monday}, {"08:00", 1, Monday}, {"08:00", 1, Monday}, {"07:00", 1, Monday}}
            << QVector<int>{1, 0};
        QTest::newRow("the current minute is due, the last one is not")
            << Entries{{"07:29", 1, Monday}, {"07:30", 1, Monday}} << QVector<int>{1};
        QTest::newRow("inactive, or not today")
            << Entries{{"08:00", 0, Monday}, {"08:00", 1, Tuesday}, {"08:00", 1, 0}} << QVector<int>{};
        QTest::newRow("an inactive entry gives its minute to the next")
            << Entries{{"08:00", 0, Monday}, {"08:00", 1, 127}} << QVector<int>{1};
    }

    void firingList()
    {
        QFETCH(Entries, entries);
        TableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.load();
        fill(model, entries);
        QSignalSpy announced(&model, &TableModel::send_starTime);
        model.adjust();
        QTEST(model.todayRows(), "rows");
        QCOMPARE(announced.takeFirst().at(0).toInt(), model.todayRows().size());

        // A spent one-shot entry changes one cell: an edit in progress and the selection survive it.
        QSignalSpy reset(&model, &TableModel::modelReset);
        model.markFired(0);
        QCOMPARE(reset.count(), 0);
        QVERIFY(!model.isActiveAt(0));
    }

    // Another writer (the command line, the service) saves between this table's load and its next edit:
    // both changes land in the file, and the table shows the other's afterwards.
    void changesOfTwoWritersBothSurvive()
    {
        TableModel model;
        model.load();
        fill(model, {{"08:00", 1, Monday}, {"09:00", 1, Monday}});
        const TimeFile::Edit other = TimeFile::edit(fileName, [](TimeItems& items) {
            items.erase(items.begin()); // 08:00
            items.push_back(std::make_unique<MyTimeItem>(QTime(10, 0), 7, 127, 1, 1));
            return true;
        });
        QVERIFY(other.saved);
        model.setData(model.index(1, TableModel::SignalColumn), 5);
        const auto entries = [](const TimeItems& items) {
            QStringList texts;
            for (const auto& item : items)
                texts << timeText(item->m_time) + QString::number(item->m_signal);
            texts.sort();
            return texts;
        };
        QCOMPARE(entries(TimeFile::read(readAll(fileName)).items),
                 QStringList({QStringLiteral("09:005"), QStringLiteral("10:007")}));
        QTRY_COMPARE(model.timeAt(1), QTime(10, 0));
        QCOMPARE(model.rowCount(), 2);
    }

    // In a folder the program may not write, time.t itself writable: saved in place. Once time.t is
    // read-only too, one message names the file and the reason.
    void readOnlyFolder()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(fileName);
        writeFile(header + worked);
        QVERIFY(QFile::rename(fileName, name));
        using P = QFileDevice;
        QFile::setPermissions(name, P::ReadOwner | P::WriteOwner | P::ReadOther | P::WriteOther);
        QFile::setPermissions(dir.path(), P::ReadOwner | P::ExeOwner | P::ReadOther | P::ExeOther);
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        const auto edit = [&](int input) {
            const NotRoot nobody; // root writes anywhere
            model.setData(model.index(0, TableModel::SignalColumn), input);
        };
        model.load(name);
        edit(6);
        QCOMPARE(TimeFile::read(readAll(name)).items.at(0)->m_signal, 6);
        QCOMPARE(messages.count(), 0);
        QFile::setPermissions(name, P::ReadOwner | P::ReadOther);
        edit(7);
        edit(1);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.first().at(1).toString().contains(name + QStringLiteral(": Permission denied")));
        QFile::setPermissions(dir.path(), P::ReadOwner | P::WriteOwner | P::ExeOwner);
    }

    // Added in the first minute of Monday, a row holds 23:59 of Sunday: it does not fire tonight.
    void newRowJustAfterMidnight()
    {
        ScheduleClock::set(QDateTime(mondayMorning.date(), QTime(0, 0, 30)));
        TableModel model;
        model.load();
        model.insertRows(0, 1);
        QCOMPARE(model.timeAt(0), QTime(23, 59, 59));
        QCOMPARE(model.index(0, TableModel::WeekColumn).data(Qt::EditRole).toInt(), 1);
        QVERIFY(model.todayRows().isEmpty());
    }

    // "Upcoming only" keeps the active entries still to come today; header clicks sort through the proxy;
    // a second active entry in a minute warns; an empty insert changes nothing.
    void proxyFilterSortAndWarning()
    {
        TableModel model;
        model.setLanguage(true);
        model.load();
        QSignalSpy messages(&model, &TableModel::send_message);
        fill(model, {{"09:00", 1, Monday}, {"07:00", 1, Monday}, {"08:00", 0, Monday}});
        QCOMPARE(messages.count(), 0);
        fill(model, {{"09:00", 1, Monday}});
        model.setData(model.index(3, TableModel::SignalColumn), 5); // the same clash: not again
        model.setData(model.index(3, TableModel::WeekColumn), 127);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().at(1).toString(), QStringLiteral("One has been activated at this time."));
        model.setData(model.index(1, TableModel::TimeColumn), QStringLiteral("09:00")); // a new clash
        QCOMPARE(messages.count(), 2);
        model.setData(model.index(1, TableModel::TimeColumn), QStringLiteral("07:00"));
        QVERIFY(!model.insertRows(0, 0));
        ProxyModel proxy;
        proxy.setSourceModel(&model);
        proxy.setState(1);
        QCOMPARE(proxy.rowCount(), 2);
        QCOMPARE(proxy.mapToSource(proxy.index(0, 0)).row(), 0);
        proxy.setState(0);
        proxy.sort(TableModel::TimeColumn);
        QCOMPARE(proxy.rowCount(), 4);
        QCOMPARE(proxy.mapToSource(proxy.index(0, 0)).row(), 1);

        QVERIFY(!model.removeRows(4, 1));
        QVERIFY(model.removeRows(3, 1));
        model.setLanguage(false); // the week column's day names follow
        QVERIFY(model.index(0, TableModel::WeekColumn).data().toString().startsWith(QStringLiteral("一")));
        model.clearAll();
        QCOMPARE(proxy.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ScheduleModel)
#include "tst_ScheduleModel.moc"
