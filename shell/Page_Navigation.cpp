#include "shell/Page_Navigation.h"

#include "ui_Page_Navigation.h"

Page_Navigation::Page_Navigation(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Page_Navigation>())
{
    ui->setupUi(this);
}

Page_Navigation::~Page_Navigation() = default;
