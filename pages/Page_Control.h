#ifndef RDX480_PAGES_PAGE_CONTROL_H
#define RDX480_PAGES_PAGE_CONTROL_H

#include <QWidget>

// Placeholder until the Control page lands; the page host relies on exactly this interface.
class Page_Control : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Control(QWidget* parent = nullptr);

    void refreshFromDevice(int waitMs);
    void applyStatus();
    void showSubWindow();
    void showMainWindow();
    void setLanguage(bool isEnglish);
};

#endif
