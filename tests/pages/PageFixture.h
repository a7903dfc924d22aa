#ifndef RDX480_TESTS_PAGES_PAGEFIXTURE_H
#define RDX480_TESTS_PAGES_PAGEFIXTURE_H

#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"
#include "widgets/MyButtonBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBox>
#include <QVector>

// A set-command as the device receives it: its leading bytes, then each value high byte first.
inline QVector<int> withWords(QVector<int> bytes, const QVector<int>& values)
{
    for (int value : values)
        bytes << (value >> 8) << (value & 0xFF);
    return bytes;
}

// A page on a link connected to the simulated device. Replies reach it through routeReply(page, order)
// as the page host routes them while that page is current; refreshPage(page) is the host's refresh.
template <typename Page> class PageFixture : public SimLink
{
public:
    using SimLink::SimLink;

    // Starts the device in the given state, connects and shows the page; with refresh, filled from the device.
    bool start(const SimState& state, bool refreshNow = true)
    {
        if (!open(state))
            return false;
        link->linkState = Rdx::Connected; // what the main window does once the link opened
        page = std::make_unique<Page>();
        QObject::connect(link, &Singleton_SerialPort::send_receive_end, page.get(),
                         [this](int order) { routeReply(*page, order); });
        page->setLanguage(true);
        page->show();
        page->activateWindow(); // an editor closes when its window loses the focus
        return QTest::qWaitForWindowActive(page.get()) && (!refreshNow || refresh());
    }

    // True once every read was answered.
    bool refresh()
    {
        refreshPage(*page);
        return QTest::qWaitFor([this] { return link->pendingReadKeys().isEmpty(); });
    }

    template <typename T> T* find(const char* name) const { return page->template findChild<T*>(QLatin1String(name)); }

    // Set-commands (not read requests) that reached the device, in order, each as its code and parameters.
    QVector<QVector<int>> sent(int parameterCount = 1) const
    {
        QVector<QVector<int>> result;
        for (const Rdx::Frame& frame : sim->received())
            if (frame[2] != Rdx::ReadRequestCode)
                result.append(QVector<int>(frame.begin() + 2, frame.begin() + 3 + parameterCount));
        return result;
    }
    QVector<int> lastCommand(int parameterCount = 1) const { return sent(parameterCount).value(sent().size() - 1); }

    // The device refuses the command with the error (> 0) or takes it without answering (-2), or the link is
    // closed before it goes out (-1); otherwise the device answers as the faults say.
    void failCommand(int code, int error, SimFaults faults = {}) const
    {
        if (error > 0)
            faults.errorForCode.insert(code, error);
        if (error == -2)
            faults.silentCodes.insert(code);
        sim->setFaults(faults);
        if (error == -1)
            link->closeSerial();
    }

    // Opens a tool box page the way the operator does: by clicking its title button.
    void clickToolBoxPage(int index) const
    {
        const QList<QAbstractButton*> titles = find<QToolBox>("toolBox")->template findChildren<QAbstractButton*>(
            QStringLiteral("qt_toolbox_toolboxbutton"), Qt::FindDirectChildrenOnly);
        QTest::mouseClick(titles.at(index), Qt::LeftButton);
    }

    // Does what the operator does with a control, on the tool box page or tab that holds it: picks an index of a
    // combo box or button bar, types a number into a spin box, moves a slider a page up, or clicks (a radio
    // button or check box on its circle or box: they take clicks there only).
    void act(const QString& name, int value = 0) const
    {
        QWidget* control = page->template findChild<QWidget*>(name);
        auto* toolBox = find<QToolBox>("toolBox");
        for (int i = 0; toolBox && i < toolBox->count(); ++i)
            if (toolBox->widget(i)->isAncestorOf(control) && toolBox->currentIndex() != i)
                clickToolBoxPage(i);
        for (auto* tabs : page->template findChildren<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(control))
                    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(i).center());
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->showPopup();
            combo->view()->setCurrentIndex(combo->model()->index(value, 0));
            QTest::keyClick(combo->view(), Qt::Key_Return);
        } else if (auto* bar = qobject_cast<MyButtonBar*>(control)) {
            QTest::mouseClick(bar->buttons().at(value), Qt::LeftButton);
        } else if (auto* box = qobject_cast<QSpinBox*>(control)) {
            typeInto(box, value);
        } else if (auto* slider = qobject_cast<QSlider*>(control)) {
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_PageUp);
        } else {
            QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
        }
    }

    // What a control shows: an index, a value, or whether it is checked.
    int shown(const QString& name) const
    {
        QWidget* control = page->template findChild<QWidget*>(name);
        if (auto* bar = qobject_cast<MyButtonBar*>(control))
            return bar->currentIndex();
        for (const char* property : {"currentIndex", "value", "checked"})
            if (control->property(property).isValid())
                return control->property(property).toInt();
        return -1;
    }

    // Select all, type the text, and press Return.
    static void typeInto(QWidget* field, const QString& text, bool enter = true)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
        if (enter)
            QTest::keyClick(field, Qt::Key_Return);
    }
    static void typeInto(QSpinBox* box, int value) { typeInto(box, QString::number(value)); }

    std::unique_ptr<Page> page;
    MessageLog messages;
};

#endif
