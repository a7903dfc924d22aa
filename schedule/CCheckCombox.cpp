#include "schedule/CCheckCombox.h"

#include <QAbstractItemView>
#include <QIcon>
#include <QMouseEvent>

namespace {

const QString tickedIcon = QStringLiteral(":/image/home.png");
const QString untickedIcon = QStringLiteral(":/image/mask.png");
constexpr int IconFileSize = 50;
// The item's frame and margin before its icon.
constexpr int IconMargin = 6;

QIcon iconFor(bool checked)
{
    QIcon icon;
    icon.addFile(checked ? tickedIcon : untickedIcon, QSize(IconFileSize, IconFileSize));
    return icon;
}

} // namespace

CCheckCombox::CCheckCombox(QWidget* parent) : QComboBox(parent)
{
    // Ticks are taken where the press lands, before the list acts on the release that would close it.
    view()->viewport()->installEventFilter(this);
}

void CCheckCombox::appendItem(const QString& text, bool checked)
{
    m_checked.append(checked);
    addItem(iconFor(checked), text, checked);
}

void CCheckCombox::clearItems()
{
    m_checked.clear();
    clear();
}

void CCheckCombox::toggleItem(int index)
{
    if (index < 0 || index >= count())
        return;
    const bool was = itemData(index, Qt::UserRole).toBool();
    setItemIcon(index, iconFor(!was));
    setItemData(index, !was, Qt::UserRole);
    m_checked[index] = !was;
    emit checkedStateChange(index, !was);
}

int CCheckCombox::checkedMask() const
{
    int mask = 0;
    for (int i = 0; i < m_checked.size(); ++i) {
        if (m_checked.at(i))
            mask |= 1 << i;
    }
    return mask;
}

bool CCheckCombox::onIcon(int x, int itemLeft) const
{
    return x - itemLeft <= iconSize().width() + IconMargin;
}

void CCheckCombox::mousePressEvent(QMouseEvent* event)
{
    if (!onIcon(event->pos().x(), 0)) {
        QComboBox::mousePressEvent(event);
        return;
    }
    toggleItem(currentIndex());
}

// The list closes as a combo box's list does (Escape, Enter, a click on a text or outside): nothing is
// ticked on the way out.
void CCheckCombox::hidePopup()
{
    QComboBox::hidePopup();
}

bool CCheckCombox::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                       event->type() == QEvent::MouseButtonDblClick;
    if (watched != view()->viewport() || !press)
        return QComboBox::eventFilter(watched, event);
    const QPoint pos = static_cast<QMouseEvent*>(event)->pos();
    const QModelIndex item = view()->indexAt(pos);
    if (!item.isValid() || !onIcon(pos.x(), view()->visualRect(item).left()))
        return QComboBox::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress)
        toggleItem(item.row());
    return true; // the list stays open
}
