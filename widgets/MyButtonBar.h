#ifndef RDX480_WIDGETS_MYBUTTONBAR_H
#define RDX480_WIDGETS_MYBUTTONBAR_H

#include <QList>
#include <QStringList>
#include <QWidget>

class QPushButton;

// A row or column of exclusive buttons. Selection is shown by style sheet only; re-clicking the selected
// button and selecting from code report nothing, so a page can mirror device state into the bar
// without sending a command back.
class MyButtonBar : public QWidget
{
    Q_OBJECT
public:
    explicit MyButtonBar(QWidget* parent = nullptr);

    // Sizes the buttons from the bar's current size, so call it once the bar has its final geometry.
    void setButtons(const QStringList& texts, bool vertical);

    int currentIndex() const;        // -1 when none selected
    void setCurrentIndex(int index); // never emits
    QList<QPushButton*> buttons() const;

signals:
    void seleteCharge();

public slots:
    void Rsp_Click();

private:
    void clearButtons();
    void select(QPushButton* button);

    QPushButton* m_selected = nullptr;
    QStringList m_texts;
    bool m_vertical = false;
    QList<QPushButton*> m_buttons;
};

#endif
