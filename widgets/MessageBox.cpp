#include "widgets/MessageBox.h"

#include <QMessageBox>

namespace {
MessageBox::Handler& handler()
{
    static MessageBox::Handler instance;
    return instance;
}
} // namespace

void MessageBox::show(const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes);
    box.exec();
}

void MessageBox::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}
