#include "schedule/TimeFile.h"

#include <QDataStream>
#include <QSaveFile>
#include <QtEndian>

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
    QString utf16(int bytes)
    {
        QString text;
        for (int i = 0; i < bytes / 2; ++i)
            text.append(QChar(take<quint16>()));
        return text;
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

// One whole record, or nothing: a record with a text length the writer never produces, a time text that
// is no time, or too few bytes left is where the file's damage starts.
std::unique_ptr<MyTimeItem> readRecord(Reader& in)
{
    if (in.left() < 4)
        return nullptr;
    const quint32 length = in.u32();
    QTime time;
    if (length == quint32(TimeTextBytes)) {
        if (in.left() < TimeTextBytes)
            return nullptr;
        time = parseTimeText(in.utf16(TimeTextBytes));
        if (!time.isValid())
            return nullptr;
    } else if (length != 0 && length != TimeFile::NullText) {
        return nullptr;
    }
    if (in.left() < NumbersBytes)
        return nullptr;
    auto item = std::make_unique<MyTimeItem>();
    item->m_time = time;
    item->m_signal = in.i32();
    item->m_week = in.i32();
    item->m_repeat = in.i32();
    item->m_active = in.i32();
    return item;
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
    while (in.left() > 0) {
        const qint64 start = in.pos();
        std::unique_ptr<MyTimeItem> item = readRecord(in);
        if (!item) {
            contents.status = Status::Damaged;
            contents.badOffset = start;
            break;
        }
        contents.items.push_back(std::move(item));
    }
    return contents;
}

bool write(QIODevice& device, const TimeItems& items)
{
    QDataStream out(&device);
    out.setVersion(QDataStream::Qt_4_5);
    out.setByteOrder(QDataStream::BigEndian);
    out << qint32(Magic) << Format;
    for (const auto& item : items) {
        // A time that is no time (only a damaged file has one) goes out as the null text.
        out << (item->m_time.isValid() ? timeText(item->m_time) : QString());
        out << item->m_signal << item->m_week << item->m_repeat << item->m_active;
        if (out.status() != QDataStream::Ok)
            return false;
    }
    return out.status() == QDataStream::Ok;
}

bool save(const QString& fileName, const TimeItems& items, QString* error)
{
    QSaveFile file(fileName);
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

} // namespace TimeFile
