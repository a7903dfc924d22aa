#include "pages/ItemDelegate.h"

#include "link/Singleton_SerialPort.h"
#include "pages/StandardTableModel.h"

#include <QLineEdit>
#include <QSpinBox>

namespace {
// The value the editor showed when it opened, after its own limit had clamped it, and whether the operator
// typed since.
const char* const OpenedWith = "rdx480OpenedWith";
const char* const Typed = "rdx480Typed";
} // namespace

ItemDelegate::ItemDelegate(QObject* parent) : QStyledItemDelegate(parent), m_link(Singleton_SerialPort::instance()) {}

QWidget* ItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    auto* box = new QSpinBox(parent);
    // Opening the editor clamps the shown value to the limit; what the operator types counts even when it
    // equals that clamped value, and so does a step to another value.
    connect(box->findChild<QLineEdit*>(), &QLineEdit::textEdited, box, [box] { box->setProperty(Typed, true); });
    return box;
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
    box->setProperty(Typed, false);
}

void ItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* box = qobject_cast<QSpinBox*>(editor);
    if (!box)
        return;
    box->interpretText();
    // A deliberate entry of the clamped opening value still lowers a stored value above the limit.
    const bool edited = box->property(Typed).toBool() || box->value() != box->property(OpenedWith).toInt();
    if (!edited || box->value() == index.data().toInt())
        return;
    model->setData(index, box->value(), Qt::EditRole);
    emit m_link->fast1_charge();
}
