#ifndef RDX480_SCHEDULE_TIMEFILE_H
#define RDX480_SCHEDULE_TIMEFILE_H

#include "schedule/MyTimeItem.h"

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;

using TimeItems = std::vector<std::unique_ptr<MyTimeItem>>;

// The schedule file time.t: big-endian, magic 0x5A697043, format number 100, then one record per entry up
// to the end of the file (no count): the time as a QDataStream string (length 10 and "hh:mm" in UTF-16,
// or the null marker 0xFFFFFFFF), then input, days, repeat and active as 32-bit integers.
//
// Several programs write it (the panel, the service, the command line). Each holds the lock beside it
// (time.t.lock) while it reads, changes and writes the file, and writes its change on top of what it
// finds there: edit() does all of that.
namespace TimeFile {

constexpr quint32 Magic = 0x5A697043;
constexpr qint16 Format = 100;
constexpr int HeaderSize = 6;
constexpr int RecordSize = 30; // a record with a valid time
constexpr quint32 NullText = 0xFFFFFFFF;
// How long a writer waits for another one to finish.
constexpr int LockTimeoutMs = 5000;

enum class Status {
    Whole,   // every byte read as records
    Damaged, // some bytes were not records: see skipped and badOffset
    Refused, // no usable header: nothing read
};

struct Contents
{
    Status status = Status::Refused;
    TimeItems items;
    // Where the first damage starts, for the log.
    qint64 badOffset = -1;
    // Whole-length records whose text is no time, passed over; reading went on behind them.
    int skipped = 0;
};

Contents read(const QByteArray& bytes);
// Header and records in list order; false when the device took fewer bytes than it was given.
bool write(QIODevice& device, const TimeItems& items);
// The bytes write() gives for the records alone, one entry each: what writers compare to see what changed.
QVector<QByteArray> records(const TimeItems& items);
TimeItems copy(const TimeItems& items);
// Writes a new file beside the old one and renames it over it only when it is whole, so a failed or
// interrupted save leaves the old file as it was. In a folder where no new file can be made, the file
// itself is written over. *error says why it failed.
bool save(const QString& fileName, const TimeItems& items, QString* error);

// Tests put a device in the way of the new file (one that fails after so many bytes).
using WriteThrough = std::function<std::unique_ptr<QIODevice>(QIODevice* file)>;
void setWriteThrough(WriteThrough through);

// The lock every writer of time.t and of its state file holds. Where no lock file can be made (a folder the
// program may not write), the holder goes on without one: nothing else could write new files there either.
class Lock
{
public:
    explicit Lock(const QString& fileName, int timeoutMs = LockTimeoutMs);
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // Held, or not needed.
    bool isHeld() const { return m_held; }
    QString errorString() const;

private:
    QString m_name;
    QLockFile m_lock;
    bool m_held = false;
};

QString lockFileName(const QString& fileName);

// The file read under the lock: what edit() hands its change.
struct Edit
{
    bool saved = false;
    QString error;   // why nothing was saved
    TimeItems items; // the entries as saved (or as found, when nothing was saved)
};

// Takes the lock, reads the file as it is now (a missing file has no entries), lets `change` edit the
// entries, and saves them unless `change` returns false. A damaged file is neither changed nor replaced.
Edit edit(const QString& fileName, const std::function<bool(TimeItems& items)>& change);

} // namespace TimeFile

#endif
