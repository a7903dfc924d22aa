#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/TimeFile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString fileName = QStringLiteral("time.t");
const QByteArray header = QByteArray::fromHex("5A6970430064");
// 08:30, HDMI1, Monday to Friday, repeating, active.
const QByteArray worked = QByteArray::fromHex("0000000A 0030 0038 003A 0033 0030 00000004 0000003E 00000001 00000001");

QByteArray record(const QByteArray& text, int input, int week = 127, int repeat = 1, int active = 1)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(text.size());
    out.writeRawData(text.constData(), text.size());
    out << qint32(input) << qint32(week) << qint32(repeat) << qint32(active);
    return bytes;
}

// "hh:mm" as the file holds it: UTF-16, big-endian.
QByteArray utf16(const char* text)
{
    QByteArray bytes;
    for (const char* c = text; *c; ++c)
        bytes.append('\0').append(*c);
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

QStringList times(const TableModel& model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result.append(model.data(model.index(row, TableModel::TimeColumn)).toString());
    return result;
}

// Takes so many bytes, then refuses every write: a full disk in the middle of a save.
class FailDevice : public QIODevice
{
public:
    FailDevice(QIODevice* inner, qint64 failAfter) : m_inner(inner), m_left(failAfter) { open(WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 n = std::min(size, m_left);
        if (n < size)
            setErrorString(QStringLiteral("No space left on device"));
        if (n <= 0)
            return -1;
        m_left -= n;
        return m_inner->write(data, n);
    }

private:
    QIODevice* m_inner;
    qint64 m_left;
};

} // namespace

class tst_ScheduleFile : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScheduleClock::set(QDateTime(QDate(2026, 3, 2), QTime(7, 0)));
        for (const QString& name : QDir().entryList({fileName + QLatin1Char('*')}, QDir::Files))
            QFile::remove(name);
        QDir().rmdir(fileName);
    }
    void cleanup() { TimeFile::setWriteThrough({}); }

    void workedRecordByteForByte();
    void loadsSortedAndSavesTheSameBytes();
    void damagedFile_data();
    void damagedFile();
    void unreadableFileIsNeverReplaced();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
};

void tst_ScheduleFile::workedRecordByteForByte()
{
    QCOMPARE(worked.size(), 30);
    TimeItems items;
    items.push_back(std::make_unique<MyTimeItem>());
    items.back()->m_time = QTime(8, 30, 59); // seconds are not stored
    items.back()->m_signal = 4;
    items.back()->m_week = 0x3E;
    items.back()->m_repeat = 1;
    items.back()->m_active = 1;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(TimeFile::write(buffer, items));
    QCOMPARE(buffer.data().toHex(), QByteArray(header + worked).toHex());

    const TimeFile::Contents back = TimeFile::read(buffer.data());
    QCOMPARE(back.status, TimeFile::Status::Whole);
    QCOMPARE(back.items.size(), size_t(1));
    QCOMPARE(back.items[0]->m_time, QTime(8, 30));
    QCOMPARE(back.items[0]->m_week, 0x3E);
}

void tst_ScheduleFile::loadsSortedAndSavesTheSameBytes()
{
    const QByteArray nullText = QByteArray::fromHex("FFFFFFFF") + QByteArray(16, '\0');
    writeFile(QByteArray::fromHex("5A697043FFFF") + record(utf16("10:00"), 1) + record(utf16("08:00"), 2) +
              record(utf16("08:00"), 3, 127, 1, 0) + nullText);
    TableModel model;
    model.load();
    QCOMPARE(times(model), (QStringList{QString(), QStringLiteral("08:00"), QStringLiteral("08:00"), QStringLiteral("10:00")}));
    QCOMPARE(model.isActiveAt(1), false);
    model.save();
    const QByteArray sorted = header + nullText + record(utf16("08:00"), 3, 127, 1, 0) + record(utf16("08:00"), 2) +
                              record(utf16("10:00"), 1);
    QCOMPARE(readAll(fileName).toHex(), sorted.toHex());
    QVERIFY(keptFiles().isEmpty());
}

void tst_ScheduleFile::damagedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept"); // entries read before the damage
    const QByteArray good = header + worked;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("header cut short") << header.left(5) << 0;
    QTest::newRow("wrong magic") << QByteArray::fromHex("5A6970440064") + worked << 0;
    QTest::newRow("format 101") << QByteArray::fromHex("5A6970430065") + worked << 0;
    QTest::newRow("odd text length") << good + QByteArray::fromHex("0000000B") + worked.mid(4) + worked << 1;
    QTest::newRow("trailing partial record") << good + worked.left(10) << 1;
    QTest::newRow("numbers cut short") << good + good.mid(6, 29) << 1;
    QTest::newRow("text that is no time") << good + record(utf16("8h:3m"), 4) << 1;
}

void tst_ScheduleFile::damagedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    writeFile(bytes);
    TableModel model;
    QSignalSpy messages(&model, &TableModel::send_message);
    model.setLanguage(true);
    model.load();
    QCOMPARE(model.rowCount(), kept);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(keptFiles().size(), 1);
    QCOMPARE(readAll(keptFiles().first()), bytes);

    model.insertRows(0, 1); // saves: the good entries and the new one, the operator's file untouched
    model.save();
    QCOMPARE(TimeFile::read(readAll(fileName)).items.size(), size_t(kept + 1));
    QCOMPARE(readAll(keptFiles().first()), bytes);
    QCOMPARE(messages.count(), 1);
}

void tst_ScheduleFile::unreadableFileIsNeverReplaced()
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

void tst_ScheduleFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<int>("failAfter");
    QTest::newRow("nothing written") << 0;
    QTest::newRow("within the header") << 3;
    QTest::newRow("within a record") << 20;
}

void tst_ScheduleFile::failedSaveKeepsTheOldFile()
{
    QFETCH(int, failAfter);
    TableModel model;
    QSignalSpy messages(&model, &TableModel::send_message);
    model.load();
    model.insertRows(0, 2);
    const QByteArray before = readAll(fileName);
    QCOMPARE(TimeFile::read(before).items.size(), size_t(2));

    TimeFile::setWriteThrough([failAfter](QIODevice* file) { return std::make_unique<FailDevice>(file, failAfter); });
    model.setData(model.index(0, TableModel::SignalColumn), 6);
    model.setData(model.index(1, TableModel::SignalColumn), 7);
    QCOMPARE(readAll(fileName), before);
    QCOMPARE(messages.count(), 1); // once, not once per edit
    QVERIFY(messages.first().at(1).toString().contains(QLatin1String("No space left on device")));

    TimeFile::setWriteThrough({});
    model.setData(model.index(0, TableModel::RepeatColumn), 1);
    QCOMPARE(TimeFile::read(readAll(fileName)).items[1]->m_signal, 7);
}

QTEST_GUILESS_MAIN(tst_ScheduleFile)
#include "tst_ScheduleFile.moc"
