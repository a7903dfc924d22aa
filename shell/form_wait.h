#ifndef RDX480_SHELL_FORM_WAIT_H
#define RDX480_SHELL_FORM_WAIT_H

#include <QFrame>

class QLabel;
class QMovie;

// The "Please wait for data processing" box laid over the whole window while a device exchange runs.
// The main window only shows and hides it; the animation runs from construction on.
class form_wait : public QFrame
{
    Q_OBJECT

public:
    explicit form_wait(QWidget* parent = nullptr);

    // Paints the overlay now unless it has been painted since it was shown. A pass of the event loop does
    // not always paint a widget just shown, and a send blocks the GUI thread right after its pass.
    void ensurePainted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QMovie* m_movie;
    QLabel* m_movieLabel;
    QLabel* m_textLabel;
    QFrame* m_box;
    bool m_painted = false;
};

#endif
