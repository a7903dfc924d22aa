#ifndef RDX480_SHELL_PAGE_INFORMATION_H
#define RDX480_SHELL_PAGE_INFORMATION_H

#include <QWidget>
#include <memory>

namespace Ui {
class Page_Information;
}

// The device picture, the model name, the software version and a few words about this panel.
class Page_Information : public QWidget
{
    Q_OBJECT

public:
    explicit Page_Information(QWidget* parent = nullptr);
    ~Page_Information() override;

    void setLanguage(bool isEnglish);

private:
    std::unique_ptr<Ui::Page_Information> ui;
};

#endif
