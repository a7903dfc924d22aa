#ifndef RDX480_QUC_SWITCHBUTTON_H
#define RDX480_QUC_SWITCHBUTTON_H

#include <QAbstractButton>

// An on/off slider with its text beside it; one click flips it.
class SwitchButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SwitchButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;

signals:
    void checkedChanged(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
};

#endif
