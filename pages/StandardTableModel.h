#ifndef RDX480_PAGES_STANDARDTABLEMODEL_H
#define RDX480_PAGES_STANDARDTABLEMODEL_H

#include <QStandardItemModel>
#include <QVector>

#include <array>

// The Fast Mosaic 1 table: one row per size of the shown layout, caption and value. It also holds the
// editor limits that the value column's delegate reads, one per layout and row.
class StandardTableModel : public QStandardItemModel
{
    Q_OBJECT
public:
    static constexpr int LayoutCount = 7;
    static constexpr int MaxRows = 5;
    enum Column { CaptionColumn = 0, ValueColumn = 1, ColumnCount };

    explicit StandardTableModel(QObject* parent = nullptr);

    static bool isLayout(int layout) { return layout >= 0 && layout < LayoutCount; }
    // Rows of a layout (3, 4 or 5); 0 for no layout.
    static int rowsOf(int layout);

    // Shows the layout's rows with the value 888; showing the layout already shown keeps its values.
    void setLayout(int layout);
    int currentLayout() const { return m_currentLayout; }
    // The value column, in row order.
    QVector<int> values() const;
    // Captions follow the language; the layout shown and its values stay.
    void setLanguage(bool isEnglish);

    // Widths get the output width, heights the output height.
    void setLimits(int outW, int outH);
    int limit(int layout, int row) const;
    // The layout whose limits the editor uses: the device's, or the one just sent.
    void setLimitLayout(int layout) { m_limitLayout = layout; }
    int limitLayout() const { return m_limitLayout; }

private:
    std::array<QString, LayoutCount * MaxRows> m_captions;
    std::array<std::array<int, MaxRows>, LayoutCount> m_limits{};
    int m_currentLayout = -1;
    int m_limitLayout = 0;
};

#endif
