#include "schedule/mytimedelegate.h"

#include "link/Frame.h"
#include "schedule/CCheckCombox.h"
#include "schedule/MyTimeItem.h"
#include "schedule/TableModel.h"

#include <QComboBox>
#include <QEvent>
#include <QLoggingCategory>
#include <QPainter>
#include <QTimeEdit>

namespace {

constexpr int PictureSize = 30;

bool isFlag(const QModelIndex& index)
{
    return index.column() == TableModel::RepeatColumn || index.column() == TableModel::ActiveColumn;
}

const QStringList& inputNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (int code = 0; code < Rdx::InputCount; ++code)
            list.append(signalName(code));
        return list;
    }();
    return names;
}

} // namespace

mytimedelegate::mytimedelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_on(QStringLiteral(":/image/time_star.jpg")),
      m_off(QStringLiteral(":/image/time_close.jpg"))
{
}

void mytimedelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isFlag(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QPixmap& picture = index.data(Qt::EditRole).toInt() != 0 ? m_on : m_off;
    const QRect cell = option.rect;
    painter->drawPixmap(QRect(cell.x() + cell.width() / 2 - PictureSize / 2,
                              cell.y() + cell.height() / 2 - PictureSize / 2, PictureSize, PictureSize),
                        picture);
}

QWidget* mytimedelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    switch (index.column()) {
    case TableModel::TimeColumn:
        return new QTimeEdit(parent);
    case TableModel::SignalColumn: {
        auto* box = new QComboBox(parent);
        box->addItems(inputNames());
        return box;
    }
    case TableModel::WeekColumn:
        return new CCheckCombox(parent);
    default:
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
}

void mytimedelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    switch (index.column()) {
    case TableModel::TimeColumn:
        static_cast<QTimeEdit*>(editor)->setTime(parseTimeText(index.data(Qt::DisplayRole).toString()));
        break;
    case TableModel::SignalColumn: {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(
            box->findText(index.data(Qt::DisplayRole).toString(), Qt::MatchExactly | Qt::MatchCaseSensitive));
        break;
    }
    case TableModel::WeekColumn: {
        auto* box = static_cast<CCheckCombox*>(editor);
        const int mask = index.data(Qt::EditRole).toInt();
        qCDebug(lcSchedule) << "day = " << mask;
        // The view may hand the same editor the data again; the days must not pile up.
        box->clearItems();
        for (int day = 0; day < 7; ++day)
            box->appendItem(dayNames()[day], (mask & (1 << day)) != 0);
        break;
    }
    default:
        QStyledItemDelegate::setEditorData(editor, index);
        break;
    }
}

void mytimedelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    switch (index.column()) {
    case TableModel::TimeColumn: {
        const QTime time = static_cast<QTimeEdit*>(editor)->time();
        qCDebug(lcSchedule) << "time" << time;
        model->setData(index, timeText(time), Qt::EditRole);
        break;
    }
    case TableModel::SignalColumn: {
        // No choice made (an entry whose code has no name): the entry keeps its code.
        const int code = static_cast<QComboBox*>(editor)->currentIndex();
        if (code >= 0)
            model->setData(index, code, Qt::EditRole);
        break;
    }
    case TableModel::WeekColumn: {
        const int mask = static_cast<CCheckCombox*>(editor)->checkedMask();
        qCDebug(lcSchedule) << "mask" << mask;
        model->setData(index, mask, Qt::EditRole);
        break;
    }
    default:
        QStyledItemDelegate::setModelData(editor, model, index);
        break;
    }
}

bool mytimedelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem&,
                                 const QModelIndex& index)
{
    if (!isFlag(index))
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const bool on = index.data(Qt::EditRole).toInt() != 0;
        qCDebug(lcSchedule) << "isFavourite = " << on;
        model->setData(index, on ? 0 : 1, Qt::EditRole);
    }
    return true;
}
