#ifndef RDX480_SCHEDULE_CCHECKCOMBOX_H
#define RDX480_SCHEDULE_CCHECKCOMBOX_H

#include <QComboBox>
#include <QVector>

// A combo box of checkable items: a click on an item's icon ticks or unticks it and keeps the list open,
// a click on its text closes the list.
class CCheckCombox : public QComboBox
{
    Q_OBJECT

public:
    explicit CCheckCombox(QWidget* parent = nullptr);

    void appendItem(const QString& text, bool checked);
    void toggleItem(int index);
    // Bit i set for every ticked item i.
    int checkedMask() const;
    void clearItems();

signals:
    void checkedStateChange(int index, bool bChecked);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void hidePopup() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onIcon(int x, int itemLeft) const;

    QVector<bool> m_checked;
};

#endif
