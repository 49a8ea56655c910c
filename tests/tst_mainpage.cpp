// The Main page against a recording host: the "ID" and "SU" decoding, the
// page synchronisation and the setting commands of the selectors.
#include "Errors.h"
#include "LivePageDoubles.h"
#include "LogPage.h"
#include "MainPage.h"
#include "PanelHost.h"
#include "TestDoubles.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kSuExample = QStringLiteral("0 0 2 1 1025 0 1 3 0 2 0");

struct Fixture {
    FakeHost host;
    EventClock clock{host.events};
    ScopedClock scopedClock{&clock};
    RecordingDialogs dialogs;
    ScopedDialogs scopedDialogs{&dialogs};
    MainPage page{host};
    LogPage log{host};

    Fixture()
    {
        page.setLogPage(&log);
        log.setMainValueLabel(page.measuredValueLabel());
    }
    template <typename T = QWidget> T* find(const QString& name)
    {
        T* w = page.findChild<T*>(name);
        if (!w)
            w = log.findChild<T*>(name);
        return w;
    }
    QComboBox* combo(const QString& name) { return find<QComboBox>(name); }
    QString labelText(const QString& name) { return find<QLabel>(name)->text(); }
    void decodeSetup(const QString& reply)
    {
        QStringList fields = fieldsOf(reply);
        page.decodeSetup(fields);
    }
    // What the user does: picks an item of a selector's list.
    void pick(const QString& selector, int index)
    {
        QComboBox* box = combo(selector);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// The fill colour of a box, invalid when it paints no background of its own.
QColor fillOf(const QWidget* box)
{
    return box->autoFillBackground() ? box->palette().color(QPalette::Window) : QColor();
}

QColor btnFace()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

const QColor kActiveBorder(0xb4, 0xb4, 0xb4);

QList<int32_t> valuesOf(const InstrumentState& s)
{
    return {s.ModelIndex, s.Units, s.Input,      s.SensorA,   s.SensorB,
            s.CJCA,       s.CJCB,  s.Resolution, s.CoeffMode, s.CorrMode};
}

} // namespace

class TestMainPage : public QObject {
    Q_OBJECT

private slots:
    void designStateUntilFirstSync();
    void setupExample_data();
    void setupExample();
    void inputSelectsChannelAndSensor_data();
    void inputSelectsChannelAndSensor();
    void codesOutsideTheLists();
    void pageEntryRequests_data();
    void pageEntryRequests();
    void titleForms_data();
    void titleForms();
    void failingDecodeKeepsEarlierFields_data();
    void failingDecodeKeepsEarlierFields();
    void selectorSendsCommandThenSetup_data();
    void selectorSendsCommandThenSetup();
    void unitsCommand_data();
    void unitsCommand();
    void typingInSelectorSendsByMatchingItem_data();
    void typingInSelectorSendsByMatchingItem();
    void leavingSelectorSendsNothing();
    void syncFromCodeSendsNoSetting();
    void buttons();
};

void TestMainPage::designStateUntilFirstSync()
{
    Fixture f;
    const struct {
        const char* name;
        int index;
        QString text;
    } selectors[] = {
        {"cbSensorA", -1, "R"},    {"cbSensorB", -1, "R"},    {"cbUnits", -1, "\u00B0C"},
        {"cbCoeffA", -1, "OFF"},   {"cbCorrA", -1, "OFF"},    {"cbInput", 1, "B"},
        {"cbResolution", 1, "HI"}, {"cbCJCA", 0, "Internal"}, {"cbCJCB", 0, "Internal"},
    };
    for (const auto& s : selectors) {
        QComboBox* box = f.combo(QString::fromLatin1(s.name));
        QVERIFY2(box, s.name);
        QCOMPARE(box->currentIndex(), s.index);
        QCOMPARE(box->currentText(), s.text);
        QVERIFY(box->isEditable());
        QCOMPARE(box->geometry(), QRect(0, 21, 89, 28));
        QCOMPARE(box->view()->sizeHintForRow(0), 20);
    }
    QCOMPARE(itemsOf(f.combo("cbUnits")), QStringList({"Ohms", "mV", "\u00B0C", "K", "\u00B0F"}));

    auto* gbA = f.find<QGroupBox>("gbA");
    auto* gbB = f.find<QGroupBox>("gbB");
    QVERIFY(gbA->isEnabled());
    QVERIFY(!gbB->isEnabled());
    QCOMPARE(fillOf(gbA), btnFace());
    QCOMPARE(fillOf(gbB), btnFace());
    for (const char* name : {"gbCJCA", "gbCJCB"}) {
        auto* box = f.find<QGroupBox>(name);
        QVERIFY(!box->isEnabled());
        QCOMPARE(fillOf(box), kActiveBorder);
    }
    QVERIFY(f.find("gbSensorA")->isEnabled());
    QCOMPARE(f.labelText("lMV"), QStringLiteral("lMV"));
    QCOMPARE(f.find<QLineEdit>("eAuto")->text(), QStringLiteral("10"));
    QVERIFY(!f.find<QCheckBox>("cbAuto")->isChecked());
    QVERIFY(f.host.events.isEmpty());
}

void TestMainPage::setupExample_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("sensorsSettable");
    QTest::addColumn<QString>("firstUnit");
    QTest::newRow("QZ7732") << 0 << true << "uV";
    QTest::newRow("QZ7731") << 1 << false << "Ohms";
}

void TestMainPage::setupExample()
{
    QFETCH(int, model);
    QFETCH(bool, sensorsSettable);
    QFETCH(QString, firstUnit);
    Fixture f;
    f.host.state.ModelIndex = model;
    f.decodeSetup(kSuExample);

    QCOMPARE(valuesOf(f.host.state), QList<int32_t>({model, 2, 1, 1, 4, 0, 0, 1, 3, 2}));
    QCOMPARE(f.combo("cbInput")->currentText(), QStringLiteral("B"));
    QVERIFY(!f.find("gbA")->isEnabled());
    QCOMPARE(fillOf(f.find("gbA")), kActiveBorder);
    QVERIFY(f.find("gbB")->isEnabled());
    QCOMPARE(fillOf(f.find("gbB")), btnFace());
    for (const char* name : {"gbSensorA", "gbSensorB"}) {
        QWidget* box = f.find(name);
        QCOMPARE(box->isEnabledTo(box->parentWidget()), sensorsSettable);
        QCOMPARE(fillOf(box), sensorsSettable ? btnFace() : kActiveBorder);
    }
    for (const char* name : {"gbCJCA", "gbCJCB"})
        QCOMPARE(!f.find(name)->isHidden(), sensorsSettable);
    QCOMPARE(f.combo("cbSensorA")->currentText(), QStringLiteral("R"));
    QCOMPARE(f.combo("cbSensorB")->currentText(), QStringLiteral("J"));
    QCOMPARE(itemsOf(f.combo("cbUnits")), QStringList({firstUnit, "\u00B0C", "Kelvin", "\u00B0F"}));
    QCOMPARE(f.combo("cbUnits")->currentIndex(), 2);
    QCOMPARE(f.combo("cbResolution")->currentText(), QStringLiteral("HI"));
    QCOMPARE(f.combo("cbCoeffA")->currentText(), QStringLiteral("AB"));
    QCOMPARE(f.combo("cbCorrA")->currentText(), QStringLiteral("B"));
    QCOMPARE(f.combo("cbCJCA")->currentText(), QStringLiteral("Internal"));

    QCOMPARE(f.host.tablesInput, QStringLiteral("B"));
    QCOMPARE(f.host.tablesSensor, QStringLiteral("J"));
    QCOMPARE(f.host.coefficientsInput, QStringLiteral("B"));
    QCOMPARE(f.labelText("lLogInput"), QStringLiteral("B"));
    QCOMPARE(f.labelText("lLogSensor"), QStringLiteral("J"));
    QCOMPARE(f.labelText("lLogUnits"), QStringLiteral("Kelvin"));
    QVERIFY(f.host.events.isEmpty());
}

void TestMainPage::inputSelectsChannelAndSensor_data()
{
    // Pt100 on channel A, type J on channel B, QZ7732.
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("channelA");
    QTest::addColumn<QString>("inputLabel");
    QTest::addColumn<QString>("sensorLabel");
    QTest::addColumn<QString>("firstUnit");
    QTest::newRow("A") << 0 << 0 << true << "A"
                       << "Pt100"
                       << "Ohms";
    QTest::newRow("B") << 1 << 1 << false << "B"
                       << "J"
                       << "uV";
    QTest::newRow("A-B") << 2 << 2 << true << "A-B"
                         << "Pt100"
                         << "Ohms";
    // Units follow channel B while the labels follow channel A.
    QTest::newRow("3") << 3 << -1 << true << "A-B"
                       << "Pt100"
                       << "uV";
    QTest::newRow("-1") << -1 << -1 << true << "A-B"
                        << "Pt100"
                        << "uV";
}

void TestMainPage::inputSelectsChannelAndSensor()
{
    QFETCH(int, input);
    QFETCH(int, selected);
    QFETCH(bool, channelA);
    QFETCH(QString, inputLabel);
    QFETCH(QString, sensorLabel);
    QFETCH(QString, firstUnit);
    Fixture f;
    f.decodeSetup(QStringLiteral("0 0 0 %1 1024 0 0 0 0 0 0").arg(input));

    QCOMPARE(f.combo("cbInput")->currentIndex(), selected);
    QCOMPARE(f.find("gbA")->isEnabled(), channelA);
    QCOMPARE(f.find("gbB")->isEnabled(), !channelA);
    QCOMPARE(fillOf(f.find("gbA")), channelA ? btnFace() : kActiveBorder);
    QCOMPARE(fillOf(f.find("gbB")), channelA ? kActiveBorder : btnFace());
    QCOMPARE(f.host.tablesInput, inputLabel);
    QCOMPARE(f.host.coefficientsInput, inputLabel);
    QCOMPARE(f.labelText("lLogInput"), inputLabel);
    QCOMPARE(f.host.tablesSensor, sensorLabel);
    QCOMPARE(f.labelText("lLogSensor"), sensorLabel);
    QCOMPARE(f.combo("cbUnits")->itemText(0), firstUnit);
    QCOMPARE(f.labelText("lLogUnits"), firstUnit);
}

void TestMainPage::codesOutsideTheLists()
{
    Fixture f;
    // Units 4 of four items; field 4 = -1 (A -1, B 0); field 5 = 3 * 256 + 2.
    f.decodeSetup(QStringLiteral("0 0 4 0 -1 770 3 -1 0 9 0"));
    QCOMPARE(valuesOf(f.host.state), QList<int32_t>({0, 4, 0, -1, 0, 2, 3, 3, -1, 9}));
    for (const char* name : {"cbUnits", "cbSensorA", "cbResolution", "cbCoeffA", "cbCorrA"}) {
        QCOMPARE(f.combo(name)->currentIndex(), -1);
        QCOMPARE(f.combo(name)->currentText(), QString());
    }
    QCOMPARE(f.combo("cbSensorB")->currentText(), QStringLiteral("Pt100"));
    QCOMPARE(f.combo("cbCJCA")->currentText(), QStringLiteral("PT100B"));
    QCOMPARE(f.combo("cbCJCB")->currentText(), QStringLiteral("Manual"));
    QCOMPARE(f.combo("cbUnits")->itemText(0), QStringLiteral("uV"));
    QCOMPARE(f.labelText("lLogSensor"), QStringLiteral("N"));
    QCOMPARE(f.labelText("lLogUnits"), QString());
}

void TestMainPage::pageEntryRequests_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("portListRefreshes");
    QTest::newRow("Main") << int(PageMain) << QStringList() << 0;
    QTest::newRow("Tables") << int(PageTables) << QStringList() << 0;
    QTest::newRow("About") << int(PageAbout) << QStringList() << 0;
    QTest::newRow("Memory") << int(PageMemory) << QStringList({"LM"}) << 0;
    QTest::newRow("Probe") << int(PageProbe) << QStringList({"LP", "S@"}) << 0;
    QTest::newRow("Settings") << int(PageSettings) << QStringList() << 1;
}

void TestMainPage::pageEntryRequests()
{
    QFETCH(int, page);
    QFETCH(QStringList, sent);
    QFETCH(int, portListRefreshes);
    Fixture f;
    f.host.page = page;
    f.decodeSetup(kSuExample);
    QCOMPARE(f.host.events, sent);
    QCOMPARE(f.host.portListRefreshes, portListRefreshes);
    // The user's change of tab runs the same synchronisation.
    f.page.PageControl1Change();
    QCOMPARE(f.host.events, sent + sent);
    QCOMPARE(f.host.portListRefreshes, 2 * portListRefreshes);
}

void TestMainPage::titleForms_data()
{
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("model");
    QTest::newRow("QZ7731") << QStringList({"0 1 a b"}) << kBaseTitle + " - QZ7731 a/b" << 1;
    QTest::newRow("QZ7732 then QZ7731")
        << QStringList({"0 0 x y", "0 1 a b"}) << kBaseTitle + " - QZ7731 a/b" << 1;
    QTest::newRow("other model appends")
        << QStringList({"0 0 x y", "0 2 a b"}) << kBaseTitle + " - QZ7732 x/ya/b" << 2;
    QTest::newRow("other model first") << QStringList({"0 3 a b"}) << kBaseTitle + "a/b" << 3;
    QTest::newRow("hexadecimal model")
        << QStringList({"0 $1 a b"}) << kBaseTitle + " - QZ7731 a/b" << 1;
    QTest::newRow("fields beyond 3 ignored")
        << QStringList({"0 0 s v extra"}) << kBaseTitle + " - QZ7732 s/v" << 0;
}

void TestMainPage::titleForms()
{
    QFETCH(QStringList, replies);
    QFETCH(QString, title);
    QFETCH(int, model);
    Fixture f;
    f.host.state.ModelIndex = 9;
    for (const QString& reply : replies) {
        QStringList fields = fieldsOf(reply);
        f.page.decodeId(fields);
    }
    QCOMPARE(f.host.title, title);
    QCOMPARE(f.host.state.ModelIndex, model);
    // "ID" leaves the page alone: the next synchronisation follows the model.
    QCOMPARE(f.host.tablesInput, QString());
    QVERIFY(f.host.events.isEmpty());
}

void TestMainPage::failingDecodeKeepsEarlierFields_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QList<int32_t>>("state");
    QTest::addColumn<QString>("title");
    using L = QList<int32_t>;
    QTest::newRow("SU field 10 missing")
        << "SU"
        << "0 0 2 1 1025 0 1 3 0 2" << L({7, 2, 1, 1, 4, 0, 0, 1, 3, 2}) << kBaseTitle;
    QTest::newRow("SU field 3 not a number")
        << "SU"
        << "0 0 2 x 1025 0 1 3 0 2 0" << L({7, 2, 7, 7, 7, 7, 7, 7, 7, 7}) << kBaseTitle;
    QTest::newRow("SU unused field 8 not a number")
        << "SU"
        << "0 0 2 1 1025 0 1 3 abc 2 0" << L({7, 2, 1, 1, 4, 0, 0, 1, 3, 7}) << kBaseTitle;
    QTest::newRow("SU field 4 with trailing text")
        << "SU"
        << "0 0 2 1 1025x 0 1 3 0 2 0" << L({7, 2, 1, 7, 7, 7, 7, 7, 7, 7}) << kBaseTitle;
    QTest::newRow("SU two fields") << "SU"
                                   << "0 0" << L({7, 7, 7, 7, 7, 7, 7, 7, 7, 7}) << kBaseTitle;
    QTest::newRow("ID model not a number")
        << "ID"
        << "0 x a b" << L({7, 7, 7, 7, 7, 7, 7, 7, 7, 7}) << kBaseTitle;
    QTest::newRow("ID field 3 missing")
        << "ID"
        << "0 1 a" << L({1, 7, 7, 7, 7, 7, 7, 7, 7, 7}) << kBaseTitle + " - QZ7731 ";
}

void TestMainPage::failingDecodeKeepsEarlierFields()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(QList<int32_t>, state);
    QFETCH(QString, title);
    Fixture f;
    InstrumentState& s = f.host.state;
    s.ModelIndex = s.Units = s.Input = s.SensorA = s.SensorB = s.CJCA = s.CJCB = s.Resolution =
        s.CoeffMode = s.CorrMode = 7;
    QStringList fields = fieldsOf(reply);
    if (command == QLatin1String("SU"))
        QVERIFY_THROWS_EXCEPTION(ConversionError, f.page.decodeSetup(fields));
    else
        QVERIFY_THROWS_EXCEPTION(ConversionError, f.page.decodeId(fields));
    QCOMPARE(valuesOf(s), state);
    QCOMPARE(f.host.title, title);
    // No synchronisation ran: the page keeps its design state.
    QCOMPARE(f.combo("cbUnits")->count(), 5);
    QCOMPARE(f.host.tablesInput, QString());
    QCOMPARE(f.labelText("lLogInput"), QString());
}

void TestMainPage::selectorSendsCommandThenSetup_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("sent");
    const QString pause = QStringLiteral("sleep 100");
    QTest::newRow("input A") << "cbInput" << 0 << QStringList({"IN A", "SU"});
    QTest::newRow("input B") << "cbInput" << 1 << QStringList({"IN B", "SU"});
    QTest::newRow("input A-B") << "cbInput" << 2 << QStringList({"IN A-B", "SU"});
    QTest::newRow("sensor A Pt100") << "cbSensorA" << 0 << QStringList({"SE PRT", pause, "SU"});
    QTest::newRow("sensor A N") << "cbSensorA" << 8 << QStringList({"SE N", pause, "SU"});
    QTest::newRow("sensor B J") << "cbSensorB" << 4 << QStringList({"SE J", pause, "SU"});
    QTest::newRow("sensor B K") << "cbSensorB" << 7 << QStringList({"SE K", pause, "SU"});
    QTest::newRow("resolution LO") << "cbResolution" << 0 << QStringList({"LR", pause, "SU"});
    QTest::newRow("resolution HI") << "cbResolution" << 1 << QStringList({"HR", pause, "SU"});
    QTest::newRow("coefficients OFF") << "cbCoeffA" << 0 << QStringList({"CM OFF", pause, "SU"});
    QTest::newRow("coefficients AB") << "cbCoeffA" << 3 << QStringList({"CM AB", pause, "SU"});
    QTest::newRow("corrections A") << "cbCorrA" << 1 << QStringList({"CO A", pause, "SU"});
    QTest::newRow("corrections AB") << "cbCorrA" << 3 << QStringList({"CO AB", pause, "SU"});
    QTest::newRow("units Kelvin") << "cbUnits" << 2 << QStringList({"UN K", pause, "SU"});
    QTest::newRow("CJC is read only") << "cbCJCA" << 2 << QStringList();
}

void TestMainPage::selectorSendsCommandThenSetup()
{
    QFETCH(QString, selector);
    QFETCH(int, index);
    QFETCH(QStringList, sent);
    Fixture f;
    f.decodeSetup(QStringLiteral("0 0 0 0 0 0 0 0 0 0 0"));
    f.pick(selector, index);
    QCOMPARE(f.host.events, sent);
}

void TestMainPage::unitsCommand_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("sensorA");
    QTest::addColumn<int>("sensorB");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("command");
    QTest::newRow("QZ7731 Pt100") << 1 << 0 << 0 << 0 << 0 << "UN OH";
    QTest::newRow("QZ7731 thermocouple") << 1 << 0 << 1 << 1 << 0 << "UN OH";
    QTest::newRow("QZ7732 Pt100") << 0 << 0 << 0 << 4 << 0 << "UN OH";
    QTest::newRow("QZ7732 thermocouple") << 0 << 0 << 1 << 0 << 0 << "UN mV";
    QTest::newRow("QZ7732 input B thermocouple") << 0 << 1 << 0 << 4 << 0 << "UN mV";
    QTest::newRow("QZ7732 input A-B Pt100 on A") << 0 << 2 << 0 << 4 << 0 << "UN OH";
    QTest::newRow("QZ7732 input 3 follows B") << 0 << 3 << 0 << 4 << 0 << "UN mV";
    QTest::newRow("Celsius") << 0 << 0 << 0 << 0 << 1 << "UN C";
    QTest::newRow("Kelvin") << 1 << 0 << 0 << 0 << 2 << "UN K";
    QTest::newRow("Fahrenheit") << 0 << 0 << 1 << 0 << 3 << "UN F";
}

void TestMainPage::unitsCommand()
{
    QFETCH(int, model);
    QFETCH(int, input);
    QFETCH(int, sensorA);
    QFETCH(int, sensorB);
    QFETCH(int, index);
    QFETCH(QString, command);
    Fixture f;
    f.host.state.ModelIndex = model;
    f.decodeSetup(
        QStringLiteral("0 0 1 %1 %2 0 0 0 0 0 0").arg(input).arg(sensorB * 256 + sensorA));
    f.pick(QStringLiteral("cbUnits"), index);
    QCOMPARE(f.host.events, QStringList({command, "sleep 100", "SU"}));
}

void TestMainPage::typingInSelectorSendsByMatchingItem_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("sent");
    const QString pause = QStringLiteral("sleep 100");
    // Every edit is a change; the item whose text matches is the one chosen.
    QTest::newRow("corrections a, ab")
        << "cbCorrA"
        << "ab" << QStringList({"CO A", pause, "SU", "CO AB", pause, "SU"});
    QTest::newRow("input A, A-, A-B")
        << "cbInput"
        << "A-B" << QStringList({"IN A", "SU", "IN A-B", "SU", "IN A-B", "SU"});
    QTest::newRow("sensor J") << "cbSensorA"
                              << "J" << QStringList({"SE J", pause, "SU"});
    QTest::newRow("no such unit") << "cbUnits"
                                  << "x" << QStringList({"UN F", pause, "SU"});
}

void TestMainPage::typingInSelectorSendsByMatchingItem()
{
    QFETCH(QString, selector);
    QFETCH(QString, typed);
    QFETCH(QStringList, sent);
    Fixture f;
    f.decodeSetup(QStringLiteral("0 0 0 0 0 0 0 0 0 0 0"));
    QLineEdit* edit = f.combo(selector)->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(f.host.events, sent);
}

void TestMainPage::leavingSelectorSendsNothing()
{
    // The design texts ("R", "\u00B0C", "OFF") name items that are not
    // selected; the selector picks them when left or on Return.
    Fixture f;
    f.page.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.page));
    auto* away = f.find<QPushButton>("bMeasure");
    for (const char* name : {"cbSensorA", "cbUnits", "cbCoeffA", "cbCorrA", "cbInput"}) {
        QComboBox* box = f.combo(name);
        box->setFocus(Qt::TabFocusReason);
        QVERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Return);
        away->setFocus(Qt::TabFocusReason);
    }
    // Typed text is sent once, as typed, not again when the selector is left.
    QComboBox* input = f.combo("cbInput");
    input->setFocus(Qt::TabFocusReason);
    input->lineEdit()->selectAll();
    QTest::keyClicks(input, "A");
    QTest::keyClick(input, Qt::Key_Return);
    away->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.host.events, QStringList({"IN A", "SU"}));
}

void TestMainPage::syncFromCodeSendsNoSetting()
{
    Fixture f;
    f.decodeSetup(kSuExample);
    f.decodeSetup(QStringLiteral("0 0 3 2 2052 0 0 1 0 3 0"));
    f.host.state.ModelIndex = 1;
    f.page.PageControl1Change();
    QVERIFY(f.host.events.isEmpty());
    QCOMPARE(f.combo("cbInput")->currentText(), QStringLiteral("A-B"));
    QCOMPARE(f.combo("cbUnits")->currentText(), QStringLiteral("\u00B0F"));
}

void TestMainPage::buttons()
{
    Fixture f;
    f.find<QPushButton>("bRefresh")->click();
    f.find<QPushButton>("bLocal")->click();
    f.find<QPushButton>("bMeasure")->click();
    QCOMPARE(f.host.events, QStringList({"SU", "LO", "ME"}));
}

QTEST_MAIN(TestMainPage)
#include "tst_mainpage.moc"
