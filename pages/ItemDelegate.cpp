#include "pages/ItemDelegate.h"

#include "link/Singleton_SerialPort.h"
#include "pages/StandardTableModel.h"

#include <QSpinBox>

namespace {
// The value the editor showed when it opened, after its own limit had clamped it.
const char* const OpenedWith = "rdx480OpenedWith";
} // namespace

ItemDelegate::ItemDelegate(QObject* parent) : QStyledItemDelegate(parent), m_link(Singleton_SerialPort::instance()) {}

QWidget* ItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    return new QSpinBox(parent);
}

void ItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = qobject_cast<QSpinBox*>(editor);
    if (!box)
        return;
    const auto* table = qobject_cast<const StandardTableModel*>(index.model());
    if (table)
        box->setMaximum(table->limit(table->limitLayout(), index.row()));
    box->setValue(index.data().toInt());
    box->setProperty(OpenedWith, box->value());
}

void ItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* box = qobject_cast<QSpinBox*>(editor);
    if (!box)
        return;
    box->interpretText();
    // Opening and closing the editor clamps the shown value to the limit; only the operator's change counts.
    if (box->value() == box->property(OpenedWith).toInt() || box->value() == index.data().toInt())
        return;
    model->setData(index, box->value(), Qt::EditRole);
    emit m_link->fast1_charge();
}
