// The Log page against a recording host, in a folder of its own: starting
// and stopping a log, the lines written for "ME" replies, failures to create
// or write the file, a program killed while logging, the logging timer and
// the interval box.
#include "Errors.h"
#include "LivePageDoubles.h"
#include "LogPage.h"
#include "PanelHost.h"
#include "TestDoubles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QDateTime kStart(QDate(2013, 11, 6), QTime(14, 23, 5));
const QString kLogName = QStringLiteral("Log 20131106142305");

// A page in a fresh current folder, with the clock pinned and boxes recorded.
struct Fixture {
    QTemporaryDir dir;
    QString oldCurrent = QDir::currentPath();
    PinnedClock clock{kStart};
    ScopedClock scopedClock{&clock};
    RecordingDialogs dialogs;
    ScopedDialogs scopedDialogs{&dialogs};
    FakeHost host;
    QLabel mainValue{QStringLiteral("lMV")};
    std::unique_ptr<LogPage> page;

    Fixture()
    {
        QDir::setCurrent(dir.path());
        page = std::make_unique<LogPage>(host);
        page->setMainValueLabel(&mainValue);
        page->setDateTimeLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    ~Fixture()
    {
        page.reset();
        QDir::setCurrent(oldCurrent);
    }
    QString label(const char* name) const { return page->findChild<QLabel*>(name)->text(); }
    void decode(const QString& value)
    {
        QStringList fields{QStringLiteral("0"), value};
        page->decodeMeasurement(fields);
    }
    static QByteArray contents(const QString& name = kLogName + ".txt")
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

} // namespace

class TestLogPage : public QObject {
    Q_OBJECT

private slots:
    void startStopAndStartAgain();
    void stopBeforeStart();
    void logLine_data();
    void logLine();
    void eachLineReadableAtOnce();
    void notLoggingShowsValueOnly();
    void replyWithoutValueChangesNothing();
    void writeFailureThrowsAndLoggingGoesOn();
    void createFailureShowsErrorAndDoesNotStart();
    void programEndingWhileLoggingKeepsEveryLine_data();
    void programEndingWhileLoggingKeepsEveryLine();
    void logTicksOnlyWhilePortOpen_data();
    void logTicksOnlyWhilePortOpen();
    void intervalTypedOutsideRange_data();
    void intervalTypedOutsideRange();
};

void TestLogPage::startStopAndStartAgain()
{
    Fixture f;
    f.page->findChild<QSpinBox*>("seInterval")->setValue(25);
    f.page->findChild<QPushButton*>("bStart")->click();
    QVERIFY(f.page->loggingActive());
    QCOMPARE(f.page->logName(), kLogName);
    QCOMPARE(f.label("lLogName"), "Log to: " + kLogName);
    QCOMPARE(f.host.events, QStringList({"ME"}));
    QVERIFY(f.host.logTimer.isActive());
    QCOMPARE(f.host.logTimer.interval(), 25000);
    QCOMPARE(Fixture::contents(), QByteArray());
    f.decode("1.0");

    // A second Start while logging does nothing: one file, one request.
    f.clock.set(kStart.addSecs(1));
    f.page->findChild<QPushButton*>("bStart")->click();
    QCOMPARE(f.page->logName(), kLogName);
    QCOMPARE(f.host.events, QStringList({"ME"}));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList({kLogName + ".txt"}));

    f.page->findChild<QPushButton*>("bStop")->click();
    QVERIFY(!f.page->loggingActive());
    QVERIFY(!f.host.logTimer.isActive());
    QCOMPARE(f.label("lLogName"), kLogName + " saved.");
    QCOMPARE(Fixture::contents(), QByteArray("06/11/2013 14:23:05,1.0\r\n"));

    // Start again within the same second: the same name, the file replaced.
    f.clock.set(kStart.addMSecs(900));
    f.page->bStartClick();
    QCOMPARE(f.page->logName(), kLogName);
    QCOMPARE(Fixture::contents(), QByteArray());
    QCOMPARE(f.host.events, QStringList({"ME", "ME"}));
}

void TestLogPage::stopBeforeStart()
{
    Fixture f;
    f.page->findChild<QPushButton*>("bStop")->click();
    QCOMPARE(f.label("lLogName"), QStringLiteral(" saved."));
    QVERIFY(!f.page->loggingActive());
    QVERIFY(f.host.events.isEmpty());
    QVERIFY(QDir().entryList(QDir::Files).isEmpty());
}

void TestLogPage::logLine_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line");
    const QLocale gb(QLocale::English, QLocale::UnitedKingdom);
    const QTime t(14, 23, 5);
    QTest::newRow("en_GB") << gb << t << "23.456" << QByteArray("06/11/2013 14:23:05,23.456\r\n");
    QTest::newRow("C") << QLocale::c() << t << "23.456"
                       << QByteArray("06/11/2013 14:23:05,23.456\r\n");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << t << "23.456"
                           << QByteArray("06.11.13 14:23:05,23.456\r\n");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << t << "23.456"
                           << QByteArray("11/6/13 2:23:05 PM,23.456\r\n");
    QTest::newRow("midnight") << gb << QTime(0, 0, 0, 500) << "1" << QByteArray("06/11/2013,1\r\n");
    QTest::newRow("midnight C") << QLocale::c() << QTime(0, 0) << "1"
                                << QByteArray("06/11/2013,1\r\n");
    QTest::newRow("one second past")
        << gb << QTime(0, 0, 1) << "1" << QByteArray("06/11/2013 00:00:01,1\r\n");
    QTest::newRow("value as received")
        << gb << t << "'-0.5 mV'" << QByteArray("06/11/2013 14:23:05,'-0.5 mV'\r\n");
}

void TestLogPage::logLine()
{
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, value);
    QFETCH(QByteArray, line);
    Fixture f;
    f.page->setDateTimeLocale(locale);
    f.page->bStartClick();
    f.clock.set(QDateTime(kStart.date(), time));
    f.decode(value);
    QCOMPARE(Fixture::contents(), line);
    QCOMPARE(f.mainValue.text(), value);
    QCOMPARE(f.label("lLog_MV"), value);
}

void TestLogPage::eachLineReadableAtOnce()
{
    Fixture f;
    f.page->bStartClick();
    QByteArray expected;
    for (int i = 0; i < 3; ++i) {
        f.clock.set(kStart.addSecs(10 * i));
        f.decode(QString::number(20 + i));
        expected += QStringLiteral("06/11/2013 14:23:%1,%2\r\n")
                        .arg(5 + 10 * i, 2, 10, QLatin1Char('0'))
                        .arg(20 + i)
                        .toLatin1();
        // Another reader sees the line while the file is still open.
        QCOMPARE(Fixture::contents(), expected);
    }
}

void TestLogPage::notLoggingShowsValueOnly()
{
    Fixture f;
    f.decode("12.5");
    QCOMPARE(f.mainValue.text(), QStringLiteral("12.5"));
    QCOMPARE(f.label("lLog_MV"), QStringLiteral("12.5"));
    QVERIFY(QDir().entryList(QDir::Files).isEmpty());
}

void TestLogPage::replyWithoutValueChangesNothing()
{
    Fixture f;
    f.page->bStartClick();
    f.decode("7.5");
    QStringList fields{QStringLiteral("0")};
    QVERIFY_THROWS_EXCEPTION(ConversionError, f.page->decodeMeasurement(fields));
    QCOMPARE(f.mainValue.text(), QStringLiteral("7.5"));
    QCOMPARE(f.label("lLog_MV"), QStringLiteral("7.5"));
    QCOMPARE(Fixture::contents(), QByteArray("06/11/2013 14:23:05,7.5\r\n"));
    QVERIFY(f.page->loggingActive());
}

void TestLogPage::writeFailureThrowsAndLoggingGoesOn()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full to make every write fail");
    Fixture f;
    // The log file is a full disk: it opens, every write fails.
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), kLogName + ".txt"));
    f.page->bStartClick();
    QVERIFY(f.page->loggingActive());
    QVERIFY_THROWS_EXCEPTION(FileError, f.decode("3.25"));
    QCOMPARE(f.label("lLog_MV"), QStringLiteral("3.25"));
    QCOMPARE(f.mainValue.text(), QStringLiteral("3.25"));
    QVERIFY(f.page->loggingActive());
    QVERIFY(f.host.logTimer.isActive());
    QVERIFY(f.dialogs.boxes.isEmpty());
    f.page->bStopClick();
    QVERIFY(!f.page->loggingActive());
}

void TestLogPage::createFailureShowsErrorAndDoesNotStart()
{
    Fixture f;
    // A folder of the log's name: the file cannot be created.
    QVERIFY(QDir().mkdir(kLogName + ".txt"));
    f.page->bStartClick();
    QCOMPARE(f.dialogs.boxes.size(), 1);
    QCOMPARE(f.dialogs.boxes[0].kind, QStringLiteral("error"));
    QVERIFY(f.dialogs.boxes[0].text.contains(kLogName));
    QVERIFY(!f.page->loggingActive());
    QCOMPARE(f.page->logName(), kLogName);
    QCOMPARE(f.label("lLogName"), QString());
    QVERIFY(f.host.events.isEmpty());
    QVERIFY(!f.host.logTimer.isActive());
    f.decode("1.5");
    QVERIFY(f.dialogs.boxes.size() == 1);
}

void TestLogPage::programEndingWhileLoggingKeepsEveryLine_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("killed") << true;
    QTest::newRow("page destroyed") << false;
}

void TestLogPage::programEndingWhileLoggingKeepsEveryLine()
{
    QFETCH(bool, killed);
    Fixture f;
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        int code = 0;
        try {
            f.page->bStartClick();
            for (int i = 0; i < 3; ++i) {
                f.clock.set(kStart.addSecs(i));
                f.decode(QString::number(i));
            }
            if (killed)
                ::kill(::getpid(), SIGKILL);
            f.page.reset();
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    if (killed)
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    else
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(Fixture::contents(), QByteArray("06/11/2013 14:23:05,0\r\n"
                                             "06/11/2013 14:23:06,1\r\n"
                                             "06/11/2013 14:23:07,2\r\n"));
}

void TestLogPage::logTicksOnlyWhilePortOpen_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("open") << true;
    QTest::newRow("closed") << false;
}

void TestLogPage::logTicksOnlyWhilePortOpen()
{
    QFETCH(bool, portOpen);
    Fixture f;
    f.host.active = portOpen;
    f.host.logTimer.start(1);
    QTest::qWait(30);
    f.host.logTimer.stop();
    QCOMPARE(!f.host.events.isEmpty(), portOpen);
    QCOMPARE(f.host.events.count(QStringLiteral("ME")), f.host.events.size());
}

void TestLogPage::intervalTypedOutsideRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::newRow("in range") << "25" << 25;
    QTest::newRow("upper bound") << "3600" << 3600;
    QTest::newRow("0 to minimum") << "0" << 1;
    QTest::newRow("above maximum") << "5000" << 3600;
    QTest::newRow("far above maximum") << "99999999999999999999999" << 3600;
    QTest::newRow("negative") << "-5" << 1;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("letters are refused") << "abc" << 1;
}

void TestLogPage::intervalTypedOutsideRange()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    Fixture f;
    auto* box = f.page->findChild<QSpinBox*>("seInterval");
    QCOMPARE(box->value(), 10);
    f.page->show();
    QVERIFY(QTest::qWaitForWindowActive(f.page.get()));
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, typed);
    f.page->findChild<QPushButton*>("bStop")->setFocus(Qt::TabFocusReason);
    QCOMPARE(box->value(), value);
    QCOMPARE(box->text(), QString::number(value));
    // Start takes the value shown.
    f.page->bStartClick();
    QCOMPARE(f.host.logTimer.interval(), value * 1000);
}

QTEST_MAIN(TestLogPage)
#include "tst_logpage.moc"
