#ifndef RDX480_QUC_LCDDATETIME_H
#define RDX480_QUC_LCDDATETIME_H

#include <QLCDNumber>

class QTimer;

// A digital clock that keeps itself current: the schedule clock's time in the given format, redrawn at
// each second boundary.
class LcdDateTime : public QLCDNumber
{
    Q_OBJECT

public:
    explicit LcdDateTime(QWidget* parent = nullptr);

    void setFormat(const QString& format);

private:
    void tick();

    QString m_format = QStringLiteral("HH:mm:ss");
    QTimer* m_timer;
};

#endif
