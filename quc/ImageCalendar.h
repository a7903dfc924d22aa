#ifndef RDX480_QUC_IMAGECALENDAR_H
#define RDX480_QUC_IMAGECALENDAR_H

#include <QDate>
#include <QWidget>

class QTimer;

// A tear-off calendar leaf that shows today: the month on a red band, the day large, the weekday below.
class ImageCalendar : public QWidget
{
    Q_OBJECT

public:
    explicit ImageCalendar(QWidget* parent = nullptr);

    QDate date() const { return m_date; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    QDate m_date;
    QTimer* m_timer;
};

#endif
