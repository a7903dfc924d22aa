#include "schedule/ProxyModel.h"
#include "schedule/ScheduleClock.h"
#include "tests/schedule/ScheduleEntries.h"

#include <QAbstractItemModelTester>
#include <QDataStream>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>

namespace {

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

QByteArray readAll(const QString& name = fileName)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QByteArray& bytes, const QString& name = fileName)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

QStringList keptFiles()
{
    return QDir().entryList({fileName + QStringLiteral(".damaged-*")}, QDir::Files);
}

} // namespace

// The schedule's entries without a page: time.t as the model reads and writes it, and the firing list.
class tst_ScheduleModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScheduleClock::set(QDateTime(monday, QTime(7, 30, 45)));
        removeScheduleFiles();
    }
    void cleanup() { TimeFile::setWriteThrough({}); }

    // A file of format -1 with the worked record, a null time and the same minute inactive and active is loaded
    // sorted and saved in the same bytes (seconds are not stored: a new row holds them).
    void roundTrip()
    {
        writeFile(QByteArray::fromHex("5A697043FFFF") + record("10:00", 1) + record("08:00", 2) + worked +
                  record("08:00", 3, 127, 1, 0) + record(nullptr, 0));
        const QByteArray loaded = readAll();
        TableModel model;
        model.load();
        model.save(); // nothing changed: the file stays as it was
        QCOMPARE(readAll(), loaded);
        model.insertRows(0, 1);
        model.removeRows(0, 1);
        QCOMPARE(readAll().toHex(), QByteArray(header + record(nullptr, 0) + record("08:00", 3, 127, 1, 0) +
                                               record("08:00", 2) + worked + record("10:00", 1))
                                        .toHex());
        QVERIFY(keptFiles().isEmpty());
    }

    // A file in no order loads as a stable sort of its entries by their own order: a null time first, then by
    // time, then by the active value, ties in the file's order.
    void scrambledFileLoadsInOrder()
    {
        QRandomGenerator random(480);
        QByteArray bytes = header;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray time = timeText(QTime(random.bounded(2), random.bounded(60))).toLatin1();
            bytes += record(random.bounded(20) ? time.constData() : nullptr, i, 127, 1, random.bounded(4) - 1);
        }
        writeFile(bytes);
        TimeItems expected = TimeFile::read(bytes).items;
        std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return *a < *b; });
        TableModel model;
        model.load();
        QCOMPARE(model.rowCount(), int(expected.size()));
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.itemAt(row)->m_signal, expected[size_t(row)]->m_signal); // the position in the file
    }

    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");    // entries read
        QTest::addColumn<int>("skipped"); // whole records passed over, told to the operator
        const QByteArray good = header + worked;
        QTest::newRow("empty file") << QByteArray() << 0 << 0;
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
        QCOMPARE(TimeFile::read(readAll()).items.size(), size_t(kept + 1));
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

    void failedSaveKeepsTheOldFile()
    {
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        model.load();
        model.insertRows(0, 2);
        const QByteArray before = readAll();
        QCOMPARE(TimeFile::read(before).items.size(), size_t(2));

        TimeFile::setWriteThrough([](QIODevice*) { // every write fails for want of space
            auto full = std::make_unique<QFile>(QStringLiteral("/dev/full"));
            full->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            return std::unique_ptr<QIODevice>(std::move(full));
        });
        model.setData(model.index(0, TableModel::SignalColumn), 6);
        model.setData(model.index(1, TableModel::SignalColumn), 7);
        QCOMPARE(readAll(), before);
        QCOMPARE(messages.count(), 1); // once, not once per edit
        QVERIFY(messages.first().at(1).toString().contains(fileName + QLatin1String(": No space left on device")));

        TimeFile::setWriteThrough({});
        model.setData(model.index(0, TableModel::RepeatColumn), 1);
        QCOMPARE(TimeFile::read(readAll()).items[1]->m_signal, 7);
    }

    void firingList_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QVector<int>>("rows");
        QTest::newRow("time order, lowest row per minute")
            << Entries{{"09:00"}, {"08:00"}, {"08:00"}, {"07:00"}} << QVector<int>{1, 0};
        QTest::newRow("the current minute is due, the last one is not")
            << Entries{{"07:29"}, {"07:30"}} << QVector<int>{1};
        QTest::newRow("inactive, or not today")
            << Entries{{"08:00", 4, 127, 1, 0}, {"08:00", 4, 1 << 2}, {"08:00", 4, 0}} << QVector<int>{};
        QTest::newRow("an inactive entry gives its minute to the next")
            << Entries{{"08:00", 4, 1 << 1, 1, 0}, {"08:00"}} << QVector<int>{1};
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
        model.setData(model.index(0, TableModel::RepeatColumn), 0);
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
        fill(model, {{"08:00"}, {"09:00"}});
        const TimeFile::Edit other = TimeFile::edit(fileName, [](TimeItems& items) {
            items.erase(items.begin()); // 08:00
            items.push_back(std::make_unique<MyTimeItem>(QTime(10, 0), 7, 127, 1, 1));
            return true;
        });
        QVERIFY(other.saved);
        model.setData(model.index(1, TableModel::SignalColumn), 5);
        QTRY_COMPARE(model.timeAt(1), QTime(10, 0)); // read back from the file
        QCOMPARE(QVector<int>({model.rowCount(), model.signalAt(0), model.signalAt(1)}), QVector<int>({2, 5, 7}));
    }

    // In a folder the program may not write, time.t itself writable: saved in place. Once time.t is
    // read-only too, the message names the file and the reason.
    void readOnlyFolder()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(fileName);
        writeFile(header + worked, name);
        using P = QFileDevice;
        QFile::setPermissions(name, P::ReadOwner | P::WriteOwner | P::ReadOther | P::WriteOther);
        QFile::setPermissions(dir.path(), P::ReadOwner | P::ExeOwner | P::ReadOther | P::ExeOther);
        TableModel model;
        QSignalSpy messages(&model, &TableModel::send_message);
        model.load(name);
        const auto edit = [&](int input) {
            // As nobody: root's file rights go with its file system ids. Any other account keeps its own.
            setfsgid(65534);
            setfsuid(65534);
            model.setData(model.index(0, TableModel::SignalColumn), input);
            setfsuid(0);
            setfsgid(0);
        };
        edit(6);
        QCOMPARE(TimeFile::read(readAll(name)).items.at(0)->m_signal, 6);
        QCOMPARE(messages.count(), 0);
        QFile::setPermissions(name, P::ReadOwner | P::ReadOther);
        edit(7);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.first().at(1).toString().endsWith(name + QStringLiteral(": Permission denied")));
        QFile::setPermissions(dir.path(), P::ReadOwner | P::WriteOwner | P::ExeOwner);
    }

    // Added in the first minute of Monday, a row holds 23:59 of Sunday: it does not fire tonight.
    void newRowJustAfterMidnight()
    {
        ScheduleClock::set(QDateTime(monday, QTime(0, 0, 30)));
        TableModel model;
        model.load();
        model.insertRows(0, 1);
        QCOMPARE(model.timeAt(0), QTime(23, 59, 59));
        QCOMPARE(model.index(0, TableModel::WeekColumn).data(Qt::EditRole).toInt(), 1);
        QVERIFY(model.todayRows().isEmpty());
    }

    // "Upcoming only" keeps the active entries still to come today, unticked every entry;
    // a second active entry in a minute warns; an empty insert changes nothing.
    void proxyFilterAndWarning()
    {
        TableModel model;
        model.setLanguage(true);
        model.load();
        QSignalSpy messages(&model, &TableModel::send_message);
        fill(model, {{"09:00"}, {"07:00"}, {"08:00", 4, 127, 1, 0}});
        QCOMPARE(messages.count(), 0);
        fill(model, {{"09:00", 4, 1 << 1}}); // Monday; its later cells repeat the clash: told once
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
        QCOMPARE(proxy.rowCount(), 4);

        QVERIFY(!model.removeRows(4, 1));
        model.clearAll();
        QCOMPARE(proxy.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ScheduleModel)
#include "tst_ScheduleModel.moc"
