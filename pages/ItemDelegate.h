#ifndef RDX480_PAGES_ITEMDELEGATE_H
#define RDX480_PAGES_ITEMDELEGATE_H

#include <QStyledItemDelegate>

class Singleton_SerialPort;

// Edits a Fast Mosaic 1 size with a spin box limited to the output's width or height; a value the
// operator changed is written to the table and announced through the link's fast1_charge.
class ItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ItemDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    Singleton_SerialPort* m_link;
};

#endif
