#ifndef RDX480_WIDGETS_MESSAGEBOX_H
#define RDX480_WIDGETS_MESSAGEBOX_H

#include <QString>
#include <functional>

// Every message the panel shows the operator goes through here: a modal box with no icon, one Yes
// button and no parent. Tests install a handler to see the title and text instead of a modal loop.
class MessageBox
{
public:
    using Handler = std::function<void(const QString& title, const QString& text)>;

    static void show(const QString& title, const QString& text);

    // A null handler restores the real modal box.
    static void setHandler(Handler handler);
};

#endif
