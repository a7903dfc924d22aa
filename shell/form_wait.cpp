#include "shell/form_wait.h"

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

    m_movie->start();
}
