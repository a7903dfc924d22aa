#include "link/CData.h"

void splitWords(const int* values, int* target, int first, int count)
{
    for (int i = 0; i < count; ++i) {
        target[first + 2 * i] = values[i] / 256;
        target[first + 2 * i + 1] = values[i] % 256;
    }
}

void storeRecord(WindowRecord& record, const int* values)
{
    for (int i = 0; i < record.count; ++i) {
        record.bytes[2 * i] = values[i] / 256;
        record.bytes[2 * i + 1] = values[i] % 256;
    }
}

QVector<int> loadRecord(const WindowRecord& record)
{
    QVector<int> values(record.count);
    for (int i = 0; i < record.count; ++i)
        values[i] = record.bytes[2 * i] * 256 + record.bytes[2 * i + 1];
    return values;
}

void copyBytes(WindowRecord& record, const int* source)
{
    std::copy(source, source + record.bytes.size(), record.bytes.begin());
}

CData::CData(QObject* parent) : QObject(parent)
{
    ledTotal.count = 2;
}
