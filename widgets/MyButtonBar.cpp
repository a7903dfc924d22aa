#include "widgets/MyButtonBar.h"

#include <QBoxLayout>
#include <QPushButton>

namespace {
const QString& selectedStyle()
{
    static const QString style =
        QStringLiteral("QPushButton{font: bold 15px; background-color: rgb(85, 170, 255); color: black;}");
    return style;
}

const QString& normalStyle()
{
    static const QString style = QStringLiteral("QPushButton{font: bold 15px; background-color: rgb(210, 232, 215);}"
                                                "QPushButton:hover{background-color: rgb(85, 170, 180);}"
                                                "QPushButton:pressed{background-color: rgb(85, 170, 180);}");
    return style;
}
} // namespace

MyButtonBar::MyButtonBar(QWidget* parent) : QWidget(parent) {}

void MyButtonBar::setButtons(const QStringList& texts, bool vertical)
{
    // A second call replaces the buttons instead of stacking a second set beside the first.
    clearButtons();
    m_texts = texts;
    m_vertical = vertical;
    if (m_texts.isEmpty())
        return;

    QBoxLayout* layout =
        m_vertical ? static_cast<QBoxLayout*>(new QVBoxLayout) : static_cast<QBoxLayout*>(new QHBoxLayout);
    for (const QString& text : qAsConst(m_texts)) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, &MyButtonBar::Rsp_Click);
        // Always a quarter of the bar, whatever the number of buttons: the forms are laid out for four.
        if (m_vertical)
            button->setFixedSize(width(), height() / 4);
        else
            button->setFixedHeight(height());
        button->setStyleSheet(normalStyle());
        m_buttons.append(button);
        layout->addWidget(button);
    }
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setLayout(layout);
}

int MyButtonBar::currentIndex() const
{
    return m_buttons.indexOf(m_selected);
}

void MyButtonBar::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_buttons.size())
        return;
    select(m_buttons.at(index));
}

QList<QPushButton*> MyButtonBar::buttons() const
{
    return m_buttons;
}

void MyButtonBar::Rsp_Click()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button || !m_buttons.contains(button) || button == m_selected)
        return;
    select(button);
    emit seleteCharge();
}

void MyButtonBar::select(QPushButton* button)
{
    if (button == m_selected)
        return;
    if (m_selected)
        m_selected->setStyleSheet(normalStyle());
    button->setStyleSheet(selectedStyle());
    m_selected = button;
}

void MyButtonBar::clearButtons()
{
    m_selected = nullptr;
    qDeleteAll(m_buttons);
    m_buttons.clear();
    delete layout();
}
