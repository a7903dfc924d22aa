#ifndef RDX480_SCHEDULE_MYTIMEDELEGATE_H
#define RDX480_SCHEDULE_MYTIMEDELEGATE_H

#include <QPixmap>
#include <QStyledItemDelegate>

// Editors of the schedule table: a time editor, the input list, the checkable day list; the "Repate" and
// "Active" cells are pictures that one click flips.
class mytimedelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit mytimedelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QPixmap m_on;
    QPixmap m_off;
};

#endif
