#ifndef RDX480_PAGES_PAGE_MONTAGE_H
#define RDX480_PAGES_PAGE_MONTAGE_H

#include <QWidget>

// The Mosaic page's place in the page host. It answers the host's calls and shows nothing yet: the
// mosaic controls are built as a page of their own.
class Page_Montage : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Montage(QWidget* parent = nullptr);

    void refreshFromDevice(int waitMs);
    void applyStatus();
    void showInputWindow();
    void showOutputWindow();
    void showLedTotal();
    void showUnitWindow();
    void showFastValues();
    void setLanguage(bool isEnglish);
};

#endif
