#ifndef RDX480_TESTS_SUPPORT_MESSAGELOG_H
#define RDX480_TESTS_SUPPORT_MESSAGELOG_H

#include "widgets/MessageBox.h"

#include <QPair>
#include <QString>
#include <QVector>

// Records every message box (title, text) instead of running it modally, for as long as it lives.
class MessageLog
{
public:
    using Entry = QPair<QString, QString>;

    MessageLog()
    {
        MessageBox::setHandler([this](const QString& title, const QString& text) { m_entries.append({title, text}); });
    }
    ~MessageLog() { MessageBox::setHandler(nullptr); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    int count() const { return m_entries.size(); }
    Entry last() const { return m_entries.isEmpty() ? Entry() : m_entries.last(); }
    QVector<Entry> entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    QVector<Entry> m_entries;
};

#endif
