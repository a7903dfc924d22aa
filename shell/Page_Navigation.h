#ifndef RDX480_SHELL_PAGE_NAVIGATION_H
#define RDX480_SHELL_PAGE_NAVIGATION_H

#include <QWidget>
#include <memory>

namespace Ui {
class Page_Navigation;
}

// The start page: a fixed overview, in both languages at once, of what the other pages do.
class Page_Navigation : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Navigation(QWidget* parent = nullptr);
    ~Page_Navigation() override;

private:
    std::unique_ptr<Ui::Page_Navigation> ui;
};

#endif
