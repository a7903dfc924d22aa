#include "tests/support/MessageLog.h"
#include "widgets/QIPLineEdit.h"

#include <QApplication>
#include <QtTest>

class tst_QIPLineEdit : public QObject
{
    Q_OBJECT

private slots:
    // Keys typed into the octet that has the focus: '<' Left, '>' Right, '#' Backspace, digits as they are.
    void keys_data()
    {
        QTest::addColumn<QString>("address"); // before
        QTest::addColumn<int>("octet");       // focused, cursor at...
        QTest::addColumn<int>("cursor");      // ...this position, -1: its text selected
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("focused");
        QTest::addColumn<QString>("after");

        QTest::newRow("a run of digits") << "0.0.0.0" << 0 << -1 << "1921682550" << 3 << "192.168.255.0";
        QTest::newRow("too big for the octet") << "26.1.2.3" << 0 << 2 << "3" << 1 << "26.3.2.3";
        QTest::newRow("full last octet") << "1.2.3.255" << 3 << 3 << "4" << 3 << "1.2.3.255";
        QTest::newRow("right at the end") << "1.2.3.4" << 0 << 1 << ">9" << 1 << "1.92.3.4";
        QTest::newRow("right at the last end") << "1.2.3.4" << 3 << 1 << ">" << 3 << "1.2.3.4";
        QTest::newRow("left at the start") << "1.2.3.4" << 2 << 0 << "<5" << 1 << "1.25.3.4";
        QTest::newRow("left at the first start") << "1.2.3.4" << 0 << 0 << "<" << 0 << "1.2.3.4";
        QTest::newRow("backspace across") << "1.2.3.4" << 2 << 0 << "#" << 1 << "1.2.3.4";
        QTest::newRow("backspace empties") << "1.2.3.4" << 2 << 1 << "##" << 1 << "1.2..4";
        QTest::newRow("zero after 25") << "1.25.3.4" << 1 << 2 << "0" << 1 << "1.250.3.4";
        QTest::newRow("zero before 25, decimal") << "1.25.3.4" << 1 << 0 << "0" << 1 << "1.25.3.4";
        QTest::newRow("zero after 26 moves") << "1.26.3.4" << 1 << 2 << "0" << 2 << "1.26.0.4";
    }
    void keys()
    {
        QFETCH(QString, address);
        QFETCH(int, octet);
        QFETCH(int, cursor);
        QFETCH(QString, keys);
        QIPLineEdit editor;
        QSignalSpy charges(&editor, &QIPLineEdit::charge);
        editor.setAddress(address);
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        const QList<QLineEdit*> octets = editor.findChildren<QLineEdit*>();
        octets.at(octet)->setFocus();
        cursor < 0 ? octets.at(octet)->selectAll() : octets.at(octet)->setCursorPosition(cursor);
        const QMap<char, Qt::Key> special{{'<', Qt::Key_Left}, {'>', Qt::Key_Right}, {'#', Qt::Key_Backspace}};
        for (const char key : keys.toLatin1()) // a digit's key code is its character
            QTest::keyClick(QApplication::focusWidget(), special.value(key, Qt::Key(key)));
        QTEST(editor.address(), "after");
        QTEST(octets.indexOf(qobject_cast<QLineEdit*>(QApplication::focusWidget())), "focused");
        QVERIFY(!charges.isEmpty());
    }

    void setAddress()
    {
        MessageLog messages;
        QIPLineEdit editor;
        editor.setAddress(QStringLiteral("10.0.0.7"));
        for (const QString& wrong : {QStringLiteral("10.0.0.256"), QStringLiteral("10.0.7"), QStringLiteral("a.b.c.d")})
            editor.setAddress(wrong);
        QCOMPARE(editor.address(), QStringLiteral("10.0.0.7"));
        editor.setLanguage(false);
        editor.setAddress(QStringLiteral("10.0.7"));
        const MessageLog::Entry invalid(QStringLiteral("Attention"), QStringLiteral("Your IP Address is Invalid!"));
        QCOMPARE(messages.entries(), QVector<MessageLog::Entry>(3, invalid)
                                         << MessageLog::Entry(QStringLiteral("注意"), QStringLiteral("IP地址无效！")));
    }
};

QTEST_MAIN(tst_QIPLineEdit)
#include "tst_QIPLineEdit.moc"
