#include "pages/StandardTableModel.h"

namespace {

constexpr int RowCounts[StandardTableModel::LayoutCount] = {3, 3, 4, 4, 5, 5, 4};
const QString DefaultValue = QStringLiteral("888");

struct Caption
{
    QString english;
    QString chinese;
    bool isWidth;
};

Caption hWidth()
{
    return {QStringLiteral("H_Width"), QStringLiteral("水平宽度"), true};
}
Caption vHeight()
{
    return {QStringLiteral("V_Height"), QStringLiteral("垂直高度"), false};
}
Caption outHWidth(int out)
{
    return {QStringLiteral("Out%1_H_Width").arg(out), QStringLiteral("Out%1水平宽度").arg(out), true};
}
Caption outVHeight(int out)
{
    return {QStringLiteral("Out%1_V_Height").arg(out), QStringLiteral("Out%1垂直高度").arg(out), false};
}

// Stacked layouts share one width, side-by-side ones one height; 2X2 has two of each.
QVector<Caption> captionsOf(int layout)
{
    const int outputs = RowCounts[layout] - 1;
    QVector<Caption> rows;
    if (layout == 6) {
        return {{QStringLiteral("Out1/3_H_Width"), QStringLiteral("Out1/3水平宽度"), true},
                {QStringLiteral("Out2/4_H_Width"), QStringLiteral("Out2/4水平宽度"), true},
                {QStringLiteral("Out1/2_V_Height"), QStringLiteral("Out1/2垂直高度"), false},
                {QStringLiteral("Out3/4_V_Height"), QStringLiteral("Out3/4垂直高度"), false}};
    }
    if (layout % 2 == 0) {
        rows.append(hWidth());
        for (int out = 1; out <= outputs; ++out)
            rows.append(outVHeight(out));
    } else {
        for (int out = 1; out <= outputs; ++out)
            rows.append(outHWidth(out));
        rows.append(vHeight());
    }
    return rows;
}

} // namespace

StandardTableModel::StandardTableModel(QObject* parent) : QStandardItemModel(parent) {}

int StandardTableModel::rowsOf(int layout)
{
    return isLayout(layout) ? RowCounts[layout] : 0;
}

void StandardTableModel::setLayout(int layout)
{
    if (layout == m_currentLayout || !isLayout(layout))
        return;
    if (rowCount() > 0)
        clear();
    m_currentLayout = layout;
    for (int row = 0; row < RowCounts[layout]; ++row) {
        auto* caption = new QStandardItem(m_captions[static_cast<size_t>(layout * MaxRows + row)]);
        caption->setFlags(Qt::ItemIsEnabled);
        appendRow({caption, new QStandardItem(DefaultValue)});
    }
}

QVector<int> StandardTableModel::values() const
{
    QVector<int> result;
    for (int row = 0; row < rowsOf(m_currentLayout) && row < rowCount(); ++row)
        result.append(index(row, ValueColumn).data().toInt());
    return result;
}

void StandardTableModel::setLanguage(bool isEnglish)
{
    for (int layout = 0; layout < LayoutCount; ++layout) {
        const QVector<Caption> rows = captionsOf(layout);
        for (int row = 0; row < rows.size(); ++row)
            m_captions[static_cast<size_t>(layout * MaxRows + row)] =
                isEnglish ? rows.at(row).english : rows.at(row).chinese;
    }
    if (m_currentLayout < 0) {
        setLayout(0);
        return;
    }
    // Relabel in place: the table must keep the device's layout and values, whose count command 21 sends.
    for (int row = 0; row < rowCount(); ++row)
        item(row, CaptionColumn)->setText(m_captions[static_cast<size_t>(m_currentLayout * MaxRows + row)]);
}

void StandardTableModel::setLimits(int outW, int outH)
{
    for (int layout = 0; layout < LayoutCount; ++layout) {
        const QVector<Caption> rows = captionsOf(layout);
        for (int row = 0; row < rows.size(); ++row)
            m_limits[static_cast<size_t>(layout)][static_cast<size_t>(row)] = rows.at(row).isWidth ? outW : outH;
    }
}

int StandardTableModel::limit(int layout, int row) const
{
    if (!isLayout(layout) || row < 0 || row >= MaxRows)
        return 0;
    return m_limits[static_cast<size_t>(layout)][static_cast<size_t>(row)];
}
