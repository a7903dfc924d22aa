#include "link/Logging.h"

#include <QtTest>

#include <sys/stat.h>

class tst_Logging : public QObject
{
    Q_OBJECT

private slots:
    // What reaches stderr and how it reads: filtered by level and category, stamped unless journalled.
    void filtersAndStamps_data()
    {
        QTest::addColumn<QString>("journal"); // JOURNAL_STREAM; "stderr": the device and inode stderr is on
        QTest::addColumn<bool>("trace");
        QTest::addColumn<QString>("category");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line"); // what "x" turns into; empty: filtered out
        const int debug = QtDebugMsg;
        QTest::newRow("debug off") << "" << false << "rdx480.link" << debug << "";
        QTest::newRow("frames off") << "" << false << "rdx480.link.frames" << debug << "";
        QTest::newRow("frames traced") << "" << true << "rdx480.link.frames" << debug
                                       << "<time> debug rdx480.link.frames: x";
        QTest::newRow("trace is frames only") << "" << true << "rdx480.shell" << debug << "";
        QTest::newRow("info") << "" << false << "rdx480.service" << int(QtInfoMsg) << "<time> info rdx480.service: x";
        QTest::newRow("journal: no stamp")
            << "stderr" << false << "rdx480.link" << int(QtWarningMsg) << "<4>rdx480.link: x";
        QTest::newRow("journal of a parent")
            << "1:2" << false << "rdx480.link" << int(QtCriticalMsg) << "<time> critical rdx480.link: x";
    }
    void filtersAndStamps()
    {
        QFETCH(QString, journal);
        QFETCH(QString, category);
        QFETCH(int, type);
        QFETCH(QString, line);
        struct stat status = {};
        QCOMPARE(::fstat(2, &status), 0);
        if (journal == QLatin1String("stderr"))
            journal = QStringLiteral("%1:%2").arg(qulonglong(status.st_dev)).arg(qulonglong(status.st_ino));
        qputenv("JOURNAL_STREAM", journal.toLatin1());
        QFETCH(bool, trace);
        Rdx::setUpLogging(trace);
        const QByteArray name = category.toLatin1();
        QCOMPARE(QLoggingCategory(name.constData()).isEnabled(QtMsgType(type)), !line.isEmpty());
        const QMessageLogContext context(__FILE__, __LINE__, Q_FUNC_INFO, name.constData());
        const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
        const QString shown = qFormatLogMessage(QtMsgType(type), context, QStringLiteral("x"));
        if (!line.isEmpty())
            QCOMPARE(QString(shown).replace(stamp, QStringLiteral("<time> ")), line);
    }
};

QTEST_GUILESS_MAIN(tst_Logging)
#include "tst_Logging.moc"
