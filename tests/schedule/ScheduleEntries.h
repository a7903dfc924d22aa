#ifndef RDX480_TESTS_SCHEDULE_SCHEDULEENTRIES_H
#define RDX480_TESTS_SCHEDULE_SCHEDULEENTRIES_H

#include "schedule/TableModel.h"

#include <QDir>

// A schedule entry as the editors store it; days are bits from Sunday (127: every day).
struct Entry
{
    const char* time;
    int input = 4;
    int week = 127;
    int repeat = 1;
    int active = 1;
};
using Entries = QVector<Entry>;
Q_DECLARE_METATYPE(Entries)

const QDate monday(2026, 3, 2);

// New rows at the end of the table, set cell by cell as the editors do (each change is saved).
inline void fill(TableModel& model, const Entries& entries)
{
    for (const Entry& entry : entries) {
        const int row = model.rowCount();
        model.insertRows(row, 1);
        const QVariant cells[] = {QLatin1String(entry.time), entry.input, entry.week, entry.repeat, entry.active};
        for (int column = TableModel::TimeColumn; column < TableModel::ColumnCount; ++column)
            model.setData(model.index(row, column), cells[column]);
    }
}

// No time.t, and nothing kept beside it, in the working folder.
inline void removeScheduleFiles()
{
    for (const QString& name : QDir().entryList({QStringLiteral("time.t*")}, QDir::Files))
        QFile::remove(name);
}

#endif
