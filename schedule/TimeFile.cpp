#include "schedule/TimeFile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QtEndian>

#include <array>

Q_LOGGING_CATEGORY(lcTimeFile, "rdx480.schedule.file")

namespace {

constexpr int TimeTextBytes = 10; // "hh:mm" in UTF-16
constexpr int NumbersBytes = 16;

TimeFile::WriteThrough& writeThrough()
{
    static TimeFile::WriteThrough through;
    return through;
}

class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    qint64 left() const { return m_bytes.size() - m_pos; }
    qint64 pos() const { return m_pos; }
    quint32 u32() { return take<quint32>(); }
    qint32 i32() { return take<qint32>(); }
    qint16 i16() { return take<qint16>(); }
    // "hh:mm" as the file holds it, read in place: a text per record would cost an allocation each.
    QTime time()
    {
        std::array<QChar, TimeTextBytes / 2> text;
        for (QChar& c : text)
            c = QChar(take<quint16>());
        return parseTimeText(QStringView(text.data(), int(text.size())));
    }

private:
    template <typename T> T take()
    {
        const T value = qFromBigEndian<T>(m_bytes.constData() + m_pos);
        m_pos += qint64(sizeof(T));
        return value;
    }

    const QByteArray& m_bytes;
    qint64 m_pos = 0;
};

enum class Record { Good, Skip, Bad };

// A record with a text length the writer never produces, or too few bytes left, is where the file's damage
// starts: nothing behind it can be trusted. A whole-length record whose text is no time is passed over.
Record readRecord(Reader& in, TimeItems& items)
{
    if (in.left() < 4)
        return Record::Bad;
    const quint32 length = in.u32();
    QTime time;
    bool noTime = false;
    if (length == quint32(TimeTextBytes)) {
        if (in.left() < TimeTextBytes)
            return Record::Bad;
        time = in.time();
        noTime = !time.isValid();
    } else if (length != 0 && length != TimeFile::NullText) {
        return Record::Bad;
    }
    if (in.left() < NumbersBytes)
        return Record::Bad;
    const qint32 signal = in.i32();
    const qint32 week = in.i32();
    const qint32 repeat = in.i32();
    const qint32 active = in.i32();
    if (noTime)
        return Record::Skip;
    items.push_back(std::make_unique<MyTimeItem>(time, signal, week, repeat, active));
    return Record::Good;
}

template <typename T> void put(char*& at, T value)
{
    qToBigEndian(value, at);
    at += sizeof(T);
}

// One record as QDataStream (version 11, big-endian) writes it, without a stream per record.
QByteArray recordBytes(const MyTimeItem& item)
{
    // A time that is no time (only a damaged file has one) goes out as the null text.
    const bool timed = item.m_time.isValid();
    QByteArray bytes(timed ? TimeFile::RecordSize : TimeFile::RecordSize - TimeTextBytes, Qt::Uninitialized);
    char* at = bytes.data();
    put<quint32>(at, timed ? quint32(TimeTextBytes) : TimeFile::NullText);
    if (timed)
        for (const QChar c : timeText(item.m_time))
            put<quint16>(at, c.unicode());
    for (const qint32 value : {item.m_signal, item.m_week, item.m_repeat, item.m_active})
        put<qint32>(at, value);
    return bytes;
}

} // namespace

namespace TimeFile {

Contents read(const QByteArray& bytes)
{
    Contents contents;
    Reader in(bytes);
    if (in.left() < HeaderSize || in.u32() != Magic || in.i16() > Format) {
        contents.badOffset = 0;
        return contents;
    }
    contents.status = Status::Whole;
    contents.items.reserve(size_t(in.left() / TimeFile::RecordSize));
    while (in.left() > 0) {
        const qint64 start = in.pos();
        const Record record = readRecord(in, contents.items);
        if (record == Record::Good)
            continue;
        if (contents.status == Status::Whole)
            contents.badOffset = start;
        contents.status = Status::Damaged;
        if (record == Record::Bad)
            break;
        ++contents.skipped;
    }
    return contents;
}

bool write(QIODevice& device, const TimeItems& items)
{
    QByteArray bytes(HeaderSize, Qt::Uninitialized);
    char* at = bytes.data();
    put<quint32>(at, Magic);
    put<qint16>(at, Format);
    bytes.reserve(HeaderSize + int(items.size()) * RecordSize);
    for (const auto& item : items)
        bytes += recordBytes(*item);
    return device.write(bytes) == bytes.size();
}

QVector<QByteArray> records(const TimeItems& items)
{
    QVector<QByteArray> result;
    result.reserve(int(items.size()));
    for (const auto& item : items)
        result.append(recordBytes(*item));
    return result;
}

TimeItems copy(const TimeItems& items)
{
    TimeItems result;
    result.reserve(items.size());
    for (const auto& item : items)
        result.push_back(std::make_unique<MyTimeItem>(*item));
    return result;
}

bool save(const QString& fileName, const TimeItems& items, QString* error)
{
    QSaveFile file(fileName);
    // A folder the program may not write, with time.t itself writable: the only way to save at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    std::unique_ptr<QIODevice> through = writeThrough() ? writeThrough()(&file) : nullptr;
    if (!write(through ? *through : file, items)) {
        *error = through ? through->errorString() : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void setWriteThrough(WriteThrough through)
{
    writeThrough() = std::move(through);
}

QString lockFileName(const QString& fileName)
{
    return fileName + QStringLiteral(".lock");
}

Lock::Lock(const QString& fileName, int timeoutMs) : m_name(lockFileName(fileName)), m_lock(m_name)
{
    m_held = m_lock.tryLock(timeoutMs) || m_lock.error() == QLockFile::PermissionError;
    if (m_lock.error() == QLockFile::PermissionError)
        qCWarning(lcTimeFile) << "no lock file can be made beside" << fileName << "- going on without one";
}

QString Lock::errorString() const
{
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        return QStringLiteral("another program holds %1").arg(m_name);
    case QLockFile::UnknownError:
        return QStringLiteral("%1 could not be made").arg(m_name);
    default:
        return QString();
    }
}

Edit edit(const QString& fileName, const std::function<bool(TimeItems& items)>& change)
{
    Edit result;
    Lock lock(fileName);
    if (!lock.isHeld()) {
        result.error = lock.errorString();
        return result;
    }
    QFile file(fileName);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            result.error = file.errorString();
            return result;
        }
        Contents contents = read(file.readAll());
        file.close();
        if (contents.status != Status::Whole) {
            result.error = QStringLiteral("the file is damaged at byte %1").arg(contents.badOffset);
            return result;
        }
        result.items = std::move(contents.items);
    }
    if (!change(result.items))
        return result;
    result.saved = save(fileName, result.items, &result.error);
    return result;
}

} // namespace TimeFile
