#include "shell/Form_display_page.h"

#include "ui_Form_display_page.h"

#include "link/Frame.h"

#include <QIcon>

namespace {
QStringList pageTitles(bool isEnglish)
{
    if (isEnglish) {
        return {QStringLiteral("Navigation"), QStringLiteral("Control"),     QStringLiteral("Mosaic"),
                QStringLiteral("Setting"),    QStringLiteral("Information"), QStringLiteral("Timer")};
    }
    return {QStringLiteral("导航"), QStringLiteral("控制"), QStringLiteral("拼接"),
            QStringLiteral("设置"), QStringLiteral("信息"), QStringLiteral("定时器")};
}
} // namespace

Form_display_page::Form_display_page(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Form_display_page>())
{
    ui->setupUi(this);
    currentPage = -1;

    ui->but_for_home->setIcon(QIcon(QStringLiteral(":/image/home.png")));
    ui->but_for_home->setIconSize(QSize(50, 50));
    ui->but_for_home->setStyleSheet(QStringLiteral("border:none;"));
    ui->but_for_home->setText(QString());
    currentPage = NavigationPage;

    ui->wid_for_control->hide();
    ui->wid_for_montage->hide();
    ui->wid_for_setting->hide();
    ui->wid_for_information->hide();

    connect(ui->but_for_home, &QPushButton::clicked, this, &Form_display_page::rsp_home);
    connect(ui->wid_for_setting, &Page_Setting::send_language, this, &Form_display_page::send_language);
}

Form_display_page::~Form_display_page() = default;

QWidget* Form_display_page::pageWidget(int index) const
{
    switch (index) {
    case NavigationPage:
        return ui->wid_for_navigation;
    case ControlPage:
        return ui->wid_for_control;
    case MosaicPage:
        return ui->wid_for_montage;
    case SettingPage:
        return ui->wid_for_setting;
    case InformationPage:
        return ui->wid_for_information;
    default:
        return nullptr;
    }
}

void Form_display_page::showPage(int index, bool hide)
{
    if (QWidget* widget = pageWidget(index))
        widget->setVisible(!hide);
    if (!hide && index >= 0 && index < titles.size())
        ui->lab_for_title->setText(titles.at(index));
}

void Form_display_page::switchPage(int index, bool skipIfSame)
{
    if (currentPage < 0 || index < NavigationPage || index > TimerTitle)
        return;
    if (skipIfSame && index == currentPage)
        return;
    showPage(currentPage, true);
    showPage(index, false);
    currentPage = index;
}

void Form_display_page::refreshCurrent(bool checkConnection)
{
    switch (currentPage) {
    case ControlPage:
        ui->wid_for_control->refreshFromDevice(PageWaitMs);
        break;
    case MosaicPage:
        ui->wid_for_montage->refreshFromDevice(PageWaitMs);
        break;
    case SettingPage:
        ui->wid_for_setting->refreshFromDevice(checkConnection, PageWaitMs);
        break;
    default:
        break; // Navigation and Information show nothing of the device
    }
}

void Form_display_page::rsp_chage_page(int index)
{
    switchPage(index, true);
    // Choosing the page that is already shown still reads it again.
    refreshCurrent(true);
}

void Form_display_page::rsp_update_Page(bool value)
{
    if (value)
        refreshCurrent(false);
    else if (currentPage == ControlPage || currentPage == MosaicPage)
        rsp_home();
}

void Form_display_page::rsp_home()
{
    if (currentPage <= NavigationPage)
        return;
    showPage(currentPage, true);
    showPage(NavigationPage, false);
    currentPage = NavigationPage;
}

void Form_display_page::rsp_update_Page(int order)
{
    switch (order) {
    case Rdx::StatusRead:
        if (currentPage == ControlPage)
            ui->wid_for_control->applyStatus();
        else if (currentPage == MosaicPage)
            ui->wid_for_montage->applyStatus();
        else if (currentPage == SettingPage)
            ui->wid_for_setting->applyStatus();
        break;
    case Rdx::PipSubWindowRead:
        ui->wid_for_control->showSubWindow();
        break;
    case Rdx::PipMainWindowRead:
        ui->wid_for_control->showMainWindow();
        break;
    case Rdx::PictureRead:
        ui->wid_for_setting->showPicture();
        break;
    case Rdx::InputWindowRead:
        ui->wid_for_montage->showInputWindow();
        break;
    case Rdx::OutputWindowRead:
        ui->wid_for_montage->showOutputWindow();
        break;
    case Rdx::LedTotalRead:
        ui->wid_for_montage->showLedTotal();
        break;
    case Rdx::UnitWindowRead:
        ui->wid_for_montage->showUnitWindow();
        break;
    case Rdx::FastValuesRead:
        ui->wid_for_montage->showFastValues();
        break;
    default:
        break;
    }
}

void Form_display_page::setLanguage(bool isEnglish)
{
    ui->wid_for_information->setLanguage(isEnglish);
    ui->wid_for_setting->setLanguage(isEnglish);
    ui->wid_for_montage->setLanguage(isEnglish);
    ui->wid_for_control->setLanguage(isEnglish);
    titles = pageTitles(isEnglish);
    showPage(currentPage, false);
}
