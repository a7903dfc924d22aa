#include "schedule/FiredState.h"

#include "schedule/MyTimeItem.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TimeFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QString minutePattern = QStringLiteral("yyyy-MM-dd hh:mm");

QVector<FiredState::Firing> parse(const QByteArray& bytes)
{
    QVector<FiredState::Firing> firings;
    for (const QByteArray& line : bytes.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 5)
            continue;
        FiredState::Firing firing;
        firing.minute = QDateTime::fromString(QString::fromLatin1(fields[0] + ' ' + fields[1]), minutePattern);
        bool ok[3] = {};
        firing.input = fields[2].toInt(&ok[0]);
        firing.week = fields[3].toInt(&ok[1]);
        firing.repeat = fields[4].toInt(&ok[2]);
        if (firing.minute.isValid() && ok[0] && ok[1] && ok[2])
            firings.append(firing);
    }
    return firings;
}

QVector<FiredState::Firing> readUnlocked(const QString& timeFile)
{
    QFile file(FiredState::fileName(timeFile));
    return file.open(QIODevice::ReadOnly) ? parse(file.readAll()) : QVector<FiredState::Firing>();
}

} // namespace

namespace FiredState {

QString fileName(const QString& timeFile)
{
    return timeFile + QStringLiteral(".state");
}

Firing of(const MyTimeItem& item, const QDateTime& minute)
{
    return Firing{minute, item.m_signal, item.m_week, item.m_repeat};
}

// Written by rename, so a reader needs no lock.
QVector<Firing> read(const QString& timeFile)
{
    return readUnlocked(timeFile);
}

bool record(const QString& timeFile, const Firing& firing, QString* error)
{
    const TimeFile::Lock lock(timeFile);
    if (!lock.isHeld()) {
        *error = lock.errorString();
        return false;
    }
    const QDate oldest = ScheduleClock::now().date().addDays(-1);
    QByteArray bytes;
    QVector<Firing> firings = readUnlocked(timeFile);
    firings.append(firing);
    for (const Firing& kept : firings)
        if (kept.minute.date() >= oldest)
            bytes += QStringLiteral("%1 %2 %3 %4\n")
                         .arg(kept.minute.toString(minutePattern))
                         .arg(kept.input)
                         .arg(kept.week)
                         .arg(kept.repeat)
                         .toLatin1();
    QSaveFile file(fileName(timeFile));
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace FiredState
