// Arbitrary bytes as the schedule file time.t. Checked: a refused file yields no entries; what was read
// writes back as a file that reads as whole, with the same entries, and writing that again gives the same
// bytes; reading stops at the first bad record, so the entries come from whole records only.

#include "fuzz/FuzzCheck.h"
#include "schedule/TimeFile.h"

#include <QBuffer>

namespace {

QByteArray written(const TimeItems& items)
{
    QBuffer buffer;
    FUZZ_CHECK(buffer.open(QIODevice::WriteOnly));
    FUZZ_CHECK(TimeFile::write(buffer, items));
    return buffer.data();
}

bool same(const MyTimeItem& a, const MyTimeItem& b)
{
    return a.m_time == b.m_time && a.m_signal == b.m_signal && a.m_week == b.m_week && a.m_repeat == b.m_repeat &&
           a.m_active == b.m_active;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const TimeFile::Contents contents = TimeFile::read(bytes);
    if (contents.status == TimeFile::Status::Refused) {
        FUZZ_CHECK(contents.items.empty());
        return 0;
    }
    FUZZ_CHECK((contents.status == TimeFile::Status::Damaged) == (contents.badOffset >= TimeFile::HeaderSize));
    // Each record holds at least a length and four numbers.
    FUZZ_CHECK(qint64(contents.items.size()) * 20 <= bytes.size() - TimeFile::HeaderSize);
    for (const auto& item : contents.items)
        FUZZ_CHECK(!item->m_time.isValid() || item->m_time.second() == 0);

    const QByteArray once = written(contents.items);
    const TimeFile::Contents again = TimeFile::read(once);
    FUZZ_CHECK(again.status == TimeFile::Status::Whole);
    FUZZ_CHECK(again.items.size() == contents.items.size());
    for (size_t i = 0; i < again.items.size(); ++i)
        FUZZ_CHECK(same(*again.items[i], *contents.items[i]));
    FUZZ_CHECK(written(again.items) == once);
    return 0;
}
