#ifndef RDX480_PAGES_PAGE_SETTING_H
#define RDX480_PAGES_PAGE_SETTING_H

#include <QWidget>

// The Setting page's place in the page host. It answers the host's calls and shows nothing yet: the
// settings controls are built as a page of their own.
class Page_Setting : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Setting(QWidget* parent = nullptr);

    void refreshFromDevice(bool checkConnection, int waitMs);
    void applyStatus();
    void showPicture();
    void setLanguage(bool isEnglish);

signals:
    void send_language(bool isEnglish);
};

#endif
