#ifndef RDX480_SHELL_FORM_DISPLAY_PAGE_H
#define RDX480_SHELL_FORM_DISPLAY_PAGE_H

#include <QStringList>
#include <QWidget>
#include <memory>

namespace Ui {
class Form_display_page;
}

// The page area: a title strip with a home button over one page at a time. It relays each decoded
// device reply to the page that shows that kind, and carries the language switch to every page.
class Form_display_page : public QWidget
{
    Q_OBJECT

public:
    // Page numbers as the function bar and the title table count them.
    enum PageIndex : int {
        NavigationPage = 0,
        ControlPage = 1,
        MosaicPage = 2,
        SettingPage = 3,
        InformationPage = 4,
        TimerTitle = 5, // a title only; no page shows it
    };
    static constexpr int PageWaitMs = 5000;

    explicit Form_display_page(QWidget* parent = nullptr);
    ~Form_display_page() override;

    void setLanguage(bool isEnglish);
    int page() const { return currentPage; }

signals:
    void send_language(bool isEnglish);

public slots:
    void rsp_chage_page(int index);
    void rsp_update_Page(bool value);
    void rsp_home();
    void rsp_update_Page(int order);

private:
    QWidget* pageWidget(int index) const;
    void showPage(int index, bool hide);
    void switchPage(int index, bool skipIfSame);
    void refreshCurrent(bool checkConnection);

    std::unique_ptr<Ui::Form_display_page> ui;
    int currentPage = -1;
    QStringList titles;
};

#endif
