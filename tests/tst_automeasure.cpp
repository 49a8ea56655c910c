// The Main page's "Measure" box against a recording host: the auto-measure
// period taken when its field is left, the check box, and the timer's ticks.
#include "LivePageDoubles.h"
#include "MainPage.h"
#include "TestDoubles.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

struct Fixture {
    FakeHost host;
    EventClock clock{host.events};
    ScopedClock scopedClock{&clock};
    RecordingDialogs dialogs;
    ScopedDialogs scopedDialogs{&dialogs};
    MainPage page{host};

    template <typename T = QWidget> T* find(const QString& name)
    {
        return page.findChild<T*>(name);
    }
};

} // namespace

class TestAutoMeasure : public QObject {
    Q_OBJECT

private slots:
    void autoPeriodOnLeavingField_data();
    void autoPeriodOnLeavingField();
    void autoCheckBox();
    void autoTicksOnlyOnMainPage_data();
    void autoTicksOnlyOnMainPage();
};

void TestAutoMeasure::autoPeriodOnLeavingField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("autoOn");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("error");
    const QStringList me{"ME"};
    QTest::newRow("3 below range") << "3" << false << "5" << 5000 << me << "";
    QTest::newRow("-7") << "-7" << false << "5" << 5000 << me << "";
    QTest::newRow("4000 above range") << "4000" << false << "3600" << 3600000 << me << "";
    QTest::newRow("10") << "10" << false << "10" << 10000 << me << "";
    QTest::newRow("leading zeros") << "0010" << true << "10" << 10000 << me << "";
    QTest::newRow("2 while on") << "2" << true << "5" << 5000 << me << "";
    QTest::newRow("not a number while off")
        << "abc" << false << "abc" << 7000 << QStringList() << "'abc' is not a valid integer value";
    QTest::newRow("not a number while on")
        << "1.5" << true << "1.5" << 7000 << QStringList() << "'1.5' is not a valid integer value";
}

void TestAutoMeasure::autoPeriodOnLeavingField()
{
    QFETCH(QString, typed);
    QFETCH(bool, autoOn);
    QFETCH(QString, shown);
    QFETCH(int, interval);
    QFETCH(QStringList, sent);
    QFETCH(QString, error);
    Fixture f;
    f.host.autoTimer.setInterval(7000);
    f.find<QCheckBox>("cbAuto")->setChecked(autoOn);
    if (autoOn)
        f.host.autoTimer.start();
    f.page.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.page));
    auto* eAuto = f.find<QLineEdit>("eAuto");
    eAuto->setFocus(Qt::MouseFocusReason);
    QVERIFY(eAuto->hasFocus());
    eAuto->setText(typed);
    f.find<QPushButton>("bRefresh")->setFocus(Qt::TabFocusReason);

    QCOMPARE(eAuto->text(), shown);
    QCOMPARE(f.host.autoTimer.interval(), interval);
    QCOMPARE(f.host.autoTimer.isActive(), autoOn);
    QCOMPARE(f.host.events, sent);
    QCOMPARE(f.dialogs.texts(), error.isEmpty() ? QStringList() : QStringList(error));
}

void TestAutoMeasure::autoCheckBox()
{
    Fixture f;
    auto* cbAuto = f.find<QCheckBox>("cbAuto");
    cbAuto->click();
    QVERIFY(f.host.autoTimer.isActive());
    QCOMPARE(f.host.autoTimer.interval(), 10000);
    QCOMPARE(f.host.events, QStringList({"ME"}));
    cbAuto->click();
    QVERIFY(!f.host.autoTimer.isActive());
    QCOMPARE(f.host.events, QStringList({"ME", "ME"}));
}

void TestAutoMeasure::autoTicksOnlyOnMainPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("measures");
    QTest::newRow("Main") << int(PageMain) << true;
    QTest::newRow("Log") << int(PageLog) << false;
    QTest::newRow("Settings") << int(PageSettings) << false;
}

void TestAutoMeasure::autoTicksOnlyOnMainPage()
{
    QFETCH(int, page);
    QFETCH(bool, measures);
    Fixture f;
    f.host.page = page;
    f.host.autoTimer.start(1);
    QTest::qWait(30);
    QVERIFY(f.host.autoTimer.isActive());
    f.host.autoTimer.stop();
    QCOMPARE(!f.host.events.isEmpty(), measures);
    QCOMPARE(f.host.events.count(QStringLiteral("ME")), f.host.events.size());
}

QTEST_MAIN(TestAutoMeasure)
#include "tst_automeasure.moc"
