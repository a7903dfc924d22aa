#include "shell/form_wait.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMovie>
#include <QVBoxLayout>

form_wait::form_wait(QWidget* parent)
    : QFrame(parent), m_movie(new QMovie(QStringLiteral(":/image/wait.gif"), QByteArray(), this)),
      m_movieLabel(new QLabel), m_textLabel(new QLabel), m_box(new QFrame)
{
    setWindowOpacity(0.8);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("background-color:transparent;"));

    m_box->setObjectName(QStringLiteral("wait_box"));
    m_box->setFixedSize(300, 100);
    m_box->setStyleSheet(QStringLiteral("background-color: rgb(55, 135,215);border-radius:10px;"));

    m_movieLabel->setObjectName(QStringLiteral("lab_for_movie"));
    m_movieLabel->setAlignment(Qt::AlignHCenter);
    m_movieLabel->setScaledContents(true);
    m_movieLabel->setMovie(m_movie);

    m_textLabel->setObjectName(QStringLiteral("lab_for_wait"));
    m_textLabel->setText(QStringLiteral("Please wait for data processing"));
    m_textLabel->setAlignment(Qt::AlignHCenter);
    m_textLabel->setStyleSheet(QStringLiteral("color: white;background-color: transparent;"));

    auto* boxLayout = new QVBoxLayout(m_box);
    boxLayout->addWidget(m_movieLabel, 3, Qt::AlignHCenter);
    boxLayout->addWidget(m_textLabel, 1, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_box, 0, Qt::AlignCenter);

    // The overlay is see-through outside its box. Masked to the box, showing and hiding it repaints only the
    // box instead of the whole window beneath, which is what each send waited for; the mouse is held off the
    // rest of the window by an event filter instead.
    m_box->installEventFilter(this);

    m_movie->start();
}

void form_wait::ensurePainted()
{
    if (!m_painted)
        repaint();
}

bool form_wait::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            setMask(m_box->geometry());
        else if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel: {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget->window() == window();
    }
    default:
        return false;
    }
}

void form_wait::showEvent(QShowEvent* event)
{
    m_painted = false;
    qApp->installEventFilter(this);
    QFrame::showEvent(event);
}

void form_wait::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    QFrame::hideEvent(event);
}
