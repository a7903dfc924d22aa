#ifndef RDX480_BENCH_BENCHTABLE_H
#define RDX480_BENCH_BENCHTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>

// Benchmarks run offscreen, with the panel's debug output off unless the caller asked for it. Call before
// the application object exists.
inline void useBenchEnvironment()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "rdx480.*.debug=false");
}

// "--runs N" from the command line (at least 3), or the fallback.
inline int runsFrom(const QStringList& args, int fallback)
{
    const int at = args.indexOf(QStringLiteral("--runs"));
    return at > 0 && at + 1 < args.size() ? std::max(3, args.at(at + 1).toInt()) : fallback;
}

// Repeated measurements of one figure, in milliseconds (or any one unit); the median is what counts, the
// spread tells how far to trust it.
struct Samples
{
    QVector<double> values;

    void add(double value) { values.append(value); }
    bool isEmpty() const { return values.isEmpty(); }
    double median() const
    {
        if (values.isEmpty())
            return 0.0;
        QVector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const int n = sorted.size();
        return n % 2 == 1 ? sorted.at(n / 2) : (sorted.at(n / 2 - 1) + sorted.at(n / 2)) / 2.0;
    }
    double min() const { return values.isEmpty() ? 0.0 : *std::min_element(values.begin(), values.end()); }
    double max() const { return values.isEmpty() ? 0.0 : *std::max_element(values.begin(), values.end()); }

    // "12.34 (11.90-13.02)"
    QString cell(int decimals = 2) const
    {
        return QStringLiteral("%1 (%2-%3)")
            .arg(median(), 0, 'f', decimals)
            .arg(min(), 0, 'f', decimals)
            .arg(max(), 0, 'f', decimals);
    }
};

// One row per figure: what was measured, its median beside the floor measured in the same run, the ratio
// and the target it is held against. Printed as a Markdown table so it can go into bench/README.md as is.
class BenchTable
{
public:
    explicit BenchTable(QString title, QString unit = QStringLiteral("ms")) : m_title(title), m_unit(unit) {}

    // target <= 0: no target, the ratio is for information.
    void add(const QString& figure, const Samples& panel, const QString& floorName, const Samples& floor, double target,
             int decimals = 2)
    {
        Row row;
        row.figure = figure;
        row.runs = panel.values.size();
        row.panel = panel.cell(decimals);
        row.floorName = floorName;
        row.floor = floor.isEmpty() ? QStringLiteral("-") : floor.cell(decimals);
        const double ratio = floor.isEmpty() || floor.median() <= 0.0 ? 0.0 : panel.median() / floor.median();
        row.ratio = ratio > 0.0 ? QString::number(ratio, 'f', 2) : QStringLiteral("-");
        if (target > 0.0) {
            row.target = QStringLiteral("<= %1").arg(target, 0, 'f', 2);
            row.met = ratio <= target ? QStringLiteral("yes") : QStringLiteral("NO");
        } else {
            row.target = QStringLiteral("-");
            row.met = QStringLiteral("-");
        }
        m_rows.append(row);
    }

    // For figures where the excess over the floor matters, not the ratio (memory).
    void addExcess(const QString& figure, const Samples& panel, const QString& floorName, const Samples& floor,
                   double maxExcess, int decimals = 1)
    {
        Row row;
        row.figure = figure;
        row.runs = panel.values.size();
        row.panel = panel.cell(decimals);
        row.floorName = floorName;
        row.floor = floor.cell(decimals);
        const double excess = panel.median() - floor.median();
        row.ratio = QStringLiteral("%1 (+%2 %3)")
                        .arg(floor.median() > 0.0 ? panel.median() / floor.median() : 0.0, 0, 'f', 2)
                        .arg(excess, 0, 'f', decimals)
                        .arg(m_unit);
        row.target = QStringLiteral("<= +%1 %2").arg(maxExcess, 0, 'f', 0).arg(m_unit);
        row.met = excess <= maxExcess ? QStringLiteral("yes") : QStringLiteral("NO");
        m_rows.append(row);
    }

    void print() const
    {
        std::printf("\n### %s\n\n", qUtf8Printable(m_title));
        std::printf("| figure | runs | panel, median (min-max) %s | floor | floor, median (min-max) %s | ratio | "
                    "target | met |\n",
                    qUtf8Printable(m_unit), qUtf8Printable(m_unit));
        std::printf("|---|---:|---:|---|---:|---:|---:|---|\n");
        for (const Row& row : m_rows) {
            std::printf("| %s | %d | %s | %s | %s | %s | %s | %s |\n", qUtf8Printable(row.figure), row.runs,
                        qUtf8Printable(row.panel), qUtf8Printable(row.floorName), qUtf8Printable(row.floor),
                        qUtf8Printable(row.ratio), qUtf8Printable(row.target), qUtf8Printable(row.met));
        }
        std::fflush(stdout);
    }

private:
    struct Row
    {
        QString figure;
        int runs = 0;
        QString panel;
        QString floorName;
        QString floor;
        QString ratio;
        QString target;
        QString met;
    };

    QString m_title;
    QString m_unit;
    QVector<Row> m_rows;
};

#endif
