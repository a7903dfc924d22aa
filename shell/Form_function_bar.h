#ifndef RDX480_SHELL_FORM_FUNCTION_BAR_H
#define RDX480_SHELL_FORM_FUNCTION_BAR_H

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class Form_function_bar;
}

// The left bar: four round page buttons with captions and the circular connect button. It only asks the
// main window to connect, disconnect or change page; the window tells it when the link opened or closed.
class Form_function_bar : public QWidget
{
    Q_OBJECT

public:
    explicit Form_function_bar(QWidget* parent = nullptr);
    ~Form_function_bar() override;

    void setConnected(bool flag);
    void setLanguage(bool isEnglish);

signals:
    void send_connect();
    void send_close_connect();
    void send_page_index(int index);

public slots:
    void click_connect();
    void rsp_charge_page();

private:
    void showConnectState();

    std::unique_ptr<Ui::Form_function_bar> ui;
    QString connectText;
    QString disconnectText;
    bool connected = false;
};

#endif
