#ifndef RDX480_SCHEDULE_TIMEFILE_H
#define RDX480_SCHEDULE_TIMEFILE_H

#include "schedule/MyTimeItem.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;

using TimeItems = std::vector<std::unique_ptr<MyTimeItem>>;

// The schedule file time.t: big-endian, magic 0x5A697043, format number 100, then one record per entry up
// to the end of the file (no count): the time as a QDataStream string (length 10 and "hh:mm" in UTF-16,
// or the null marker 0xFFFFFFFF), then input, days, repeat and active as 32-bit integers.
namespace TimeFile {

constexpr quint32 Magic = 0x5A697043;
constexpr qint16 Format = 100;
constexpr int HeaderSize = 6;
constexpr quint32 NullText = 0xFFFFFFFF;

enum class Status {
    Whole,   // every byte read as records
    Damaged, // the records before the first bad one were kept, the rest dropped
    Refused, // no usable header: nothing read
};

struct Contents
{
    Status status = Status::Refused;
    TimeItems items;
    // Where reading stopped, for the log.
    qint64 badOffset = -1;
};

Contents read(const QByteArray& bytes);
// Header and records in list order; false when the device took fewer bytes than it was given.
bool write(QIODevice& device, const TimeItems& items);
// Writes a new file beside the old one and renames it over it only when it is whole, so a failed or
// interrupted save leaves the old file as it was. *error says why it failed.
bool save(const QString& fileName, const TimeItems& items, QString* error);

// Tests put a device in the way of the new file (one that fails after so many bytes).
using WriteThrough = std::function<std::unique_ptr<QIODevice>(QIODevice* file)>;
void setWriteThrough(WriteThrough through);

} // namespace TimeFile

#endif
