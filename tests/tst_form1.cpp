// The main window's start-up and shutdown against a simulated instrument on a
// real pseudo-terminal, and its stored state.
#include "CommandChannel.h"
#include "Form1.h"
#include "PanelFixture.h"
#include "PtySimulator.h"
#include "Registry.h"
#include "SettingsPage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QtTest>

namespace {
const char* const kCommsNames[] = {
    "CommPort",         "BaudRate",          "ParityType",   "ParityErrorChar",
    "ParityErrorReplacement", "StopBits",    "DataBits",     "XONChar",
    "XOFFChar",         "XONLimDiv",         "XOFFLimDiv",   "FlowControl",
    "StripNullChars",   "EventChar",         "RTOCharDelayTime", "RTOExtraDelayTime",
    "ClusterSize",      "RxQueueSize",       "TxQueueSize",  "WTOCharDelayTime",
    "WTOExtraDelayTime", "XTOAuto",          "RTSState",     "DTRState",
    "BREAKState",       "ErrorNoise",        "Active"};

// Commands received by the simulator, as text.
QStringList received(const PtySimulator& sim)
{
    QStringList out;
    for (const QByteArray& c : sim.commands())
        out << QString::fromLatin1(c);
    return out;
}
} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void firstStartWithoutStoredState();
    void startupTalksToTheInstrument_data();
    void startupTalksToTheInstrument();
    void controlSectionValues_data();
    void controlSectionValues();
    void storedBaudRateAndActiveDoNotHoldAtStart();
    void shutdownSendsLocalAndStoresEverything_data();
    void shutdownSendsLocalAndStoresEverything();
    void silentInstrumentStillGetsTheCommands();
    void portChangeOnTheSettingsPage();
    void portListSelection_data();
    void portListSelection();
    void failedWriteOfTheWindowStateIsShown();
};

void TestForm1::firstStartWithoutStoredState()
{
    PanelFixture fx;
    TForm1& form = fx.start();
    QCOMPARE(form.windowTitle(), TForm1::baseTitle());
    QCOMPARE(form.pos(), QPoint(0, 0));
    QCOMPARE(form.PageControl1()->currentIndex(), int(PageMain));
    QVERIFY(!form.PageControl1()->isTabVisible(PageDiagnostic));
    QVERIFY(form.findChild<QListWidget*>(QStringLiteral("ListBox1"))->isHidden());
    QCOMPARE(form.SerialPortNG1().CommPort(), QStringLiteral("COM2"));
    QCOMPARE(form.SerialPortNG1().BaudRate(), 38400);
    QVERIFY(!form.SerialPortNG1().Active());
    // Nothing was sent: the lamp still shows grey in front, the count 0.
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("eError"))->text(), QStringLiteral("0"));
    QVERIFY(form.channel().LastCommand.isEmpty());
    QVERIFY(fx.dialogs.boxes.isEmpty());

    fx.closeWindow();
    QVERIFY(!fx.form());
    QCOMPARE(fx.stored("Control", "Left"), QStringLiteral("0"));
    QCOMPARE(fx.stored("Control", "Top"), QStringLiteral("0"));
    QCOMPARE(fx.stored("Control", "ActivePage"), QStringLiteral("0"));
    QCOMPARE(fx.storedKeys("Comms").size(), 27);
    for (const char* name : kCommsNames)
        QVERIFY2(!fx.stored("Comms", name).isNull(), name);
    QCOMPARE(fx.stored("Comms", "CommPort"), QStringLiteral("COM2"));
    QCOMPARE(fx.stored("Comms", "Active"), QStringLiteral("0"));
}

void TestForm1::startupTalksToTheInstrument_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("modelText");
    QTest::newRow("QZ7732") << int(SimInstrument::Model::QZ7732) << QStringLiteral(" - QZ7732 ");
    QTest::newRow("QZ7731") << int(SimInstrument::Model::QZ7731) << QStringLiteral(" - QZ7731 ");
}

void TestForm1::startupTalksToTheInstrument()
{
    QFETCH(int, model);
    QFETCH(QString, modelText);
    PtySimulator::Options options;
    options.model = SimInstrument::Model(model);
    PtySimulator sim(options);
    QVERIFY(sim.start());
    PanelFixture fx;
    fx.preset("Comms", "CommPort", sim.portName());
    fx.preset("Control", "Diagnostic_level", "1");

    TForm1& form = fx.start();
    QVERIFY(form.SerialPortNG1().Active());
    // "ID", "SU" and "ME" went out in this order, each after the reply before.
    QTRY_COMPARE(received(sim), (QStringList{"ID", "SU", "ME"}));
    QVERIFY(form.windowTitle().startsWith(TForm1::baseTitle() + modelText));
    QCOMPARE(form.instrumentState().ModelIndex, model);
    // The trace shows the sends.
    const QString trace = form.findChild<QPlainTextEdit*>(QStringLiteral("Terminal"))->toPlainText();
    QVERIFY(trace.contains(QRegularExpression(
        QStringLiteral("^Snd \\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d :\\nID$"),
        QRegularExpression::MultilineOption)));
    QVERIFY(form.PageControl1()->isTabVisible(PageDiagnostic));
    // The reply to "ME" arrives once the event loop runs.
    QTRY_COMPARE(form.findChild<QLineEdit*>(QStringLiteral("eError"))->text(), QStringLiteral("0"));
    QVERIFY(!form.channel().AwaitingReply);
    QCOMPARE(form.instrumentState().Units, sim.snapshot().units());
}

void TestForm1::controlSectionValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<bool>("diagnosticShown");
    QTest::addColumn<int>("left");
    QTest::addColumn<bool>("errorBox");
    QTest::newRow("level 2") << "Diagnostic_level" << "2" << false << true << 0 << false;
    QTest::newRow("level 0") << "Diagnostic_level" << "0" << false << false << 0 << false;
    QTest::newRow("level abc") << "Diagnostic_level" << "abc" << false << false << 0 << false;
    QTest::newRow("level hex") << "Diagnostic_level" << "$1F" << false << true << 0 << false;
    QTest::newRow("level binary") << "Diagnostic_level" << "2" << true << false << 0 << true;
    QTest::newRow("left x9") << "Left" << "x9" << false << false << 0 << false;
    QTest::newRow("left 120") << "Left" << "120" << false << false << 120 << false;
    // A failing first value ends the reading: the level keeps its default.
    QTest::newRow("left binary") << "Left" << "5" << true << false << 0 << true;
}

void TestForm1::controlSectionValues()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, binary);
    QFETCH(bool, diagnosticShown);
    QFETCH(int, left);
    QFETCH(bool, errorBox);
    PanelFixture fx;
    if (name != QLatin1String("Diagnostic_level"))
        fx.preset("Control", "Diagnostic_level", "1");
    if (binary)
        fx.presetNonText("Control", name, value.toInt());
    else
        fx.preset("Control", name, value);

    TForm1& form = fx.start();
    QCOMPARE(form.PageControl1()->isTabVisible(PageDiagnostic),
             name == QLatin1String("Diagnostic_level") ? diagnosticShown : !binary);
    QCOMPARE(!form.findChild<QListWidget*>(QStringLiteral("ListBox1"))->isHidden(),
             form.PageControl1()->isTabVisible(PageDiagnostic));
    QCOMPARE(form.x(), left);
    QCOMPARE(fx.dialogs.texts(),
             errorBox ? QStringList{QStringLiteral("Error: Load default")} : QStringList{});
    if (errorBox)
        QCOMPARE(fx.dialogs.boxes.first().kind, QStringLiteral("information"));
}

void TestForm1::storedBaudRateAndActiveDoNotHoldAtStart()
{
    PtySimulator sim;
    QVERIFY(sim.start());
    PanelFixture fx;
    fx.preset("Comms", "CommPort", sim.portName());
    fx.preset("Comms", "BaudRate", "9600");
    fx.preset("Comms", "Active", "0");
    fx.preset("Control", "ActivePage", "4");
    TForm1& form = fx.start();
    QCOMPARE(form.SerialPortNG1().BaudRate(), 38400);
    QVERIFY(form.SerialPortNG1().Active());
    QCOMPARE(form.PageControl1()->currentIndex(), int(PageMain));
}

void TestForm1::shutdownSendsLocalAndStoresEverything_data()
{
    QTest::addColumn<bool>("byExitButton");
    QTest::newRow("close box") << false;
    QTest::newRow("Exit button") << true;
}

void TestForm1::shutdownSendsLocalAndStoresEverything()
{
    QFETCH(bool, byExitButton);
    PtySimulator sim;
    QVERIFY(sim.start());
    PanelFixture fx;
    fx.preset("Comms", "CommPort", sim.portName());
    TForm1& form = fx.start();
    QTRY_COMPARE(received(sim).size(), 3);
    QTRY_VERIFY(!form.channel().AwaitingReply);
    {
        // The user goes to the Log page.
        QTabWidget* tabs = form.PageControl1();
        tabs->setCurrentIndex(PageLog);
    }
    form.move(40, 30);
    if (byExitButton)
        form.bExitClick();
    else
        fx.closeWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!fx.form());
    QTRY_COMPARE(received(sim).last(), QStringLiteral("LO"));
    QCOMPARE(fx.stored("Control", "ActivePage"), QStringLiteral("4"));
    QCOMPARE(fx.stored("Control", "Left"), QStringLiteral("40"));
    QCOMPARE(fx.stored("Control", "Top"), QStringLiteral("30"));
    QCOMPARE(fx.storedKeys("Comms").size() + fx.storedKeys("Control").size(), 30);
    QCOMPARE(fx.stored("Comms", "CommPort"), sim.portName());
    QCOMPARE(fx.stored("Comms", "Active"), QStringLiteral("1"));
}

void TestForm1::silentInstrumentStillGetsTheCommands()
{
    PtySimulator::Options options;
    options.fault = PtySimulator::Fault::NoReply;
    PtySimulator sim(options);
    QVERIFY(sim.start());
    PanelFixture fx;
    fx.preset("Comms", "CommPort", sim.portName());
    QElapsedTimer timer;
    timer.start();
    TForm1& form = fx.start();
    // Each of the waits before "SU" and "ME" runs its full time.
    QVERIFY(timer.elapsed() >= 5500);
    QTRY_COMPARE(received(sim), (QStringList{"ID", "SU", "ME"}));
    QCOMPARE(form.windowTitle(), TForm1::baseTitle());
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("eError"))->text(), QStringLiteral("3"));
}

void TestForm1::portChangeOnTheSettingsPage()
{
    PtySimulator first;
    PtySimulator::Options options;
    options.model = SimInstrument::Model::QZ7731;
    PtySimulator second(options);
    QVERIFY(first.start());
    QVERIFY(second.start());
    PanelFixture fx;
    fx.preset("Comms", "CommPort", first.portName());
    TForm1& form = fx.start();
    QTRY_VERIFY(form.windowTitle().contains(QStringLiteral("QZ7732")));
    QTRY_VERIFY(!form.channel().AwaitingReply);

    // Pseudo-terminals are not in the system's port list: offer both.
    QComboBox* ports = form.settingsPage()->CBPort();
    ports->addItems({second.portName(), first.portName()});
    form.PageControl1()->setCurrentIndex(PageSettings); // as the user's click
    QCOMPARE(ports->currentText(), first.portName());

    const int index = ports->findText(second.portName());
    ports->setCurrentIndex(index);
    emit ports->activated(index);
    QTRY_COMPARE(received(second), (QStringList{"ID", "SU"}));
    QCOMPARE(form.SerialPortNG1().CommPort(), second.portName());
    QVERIFY(form.SerialPortNG1().Active());
    QTRY_VERIFY(form.windowTitle().contains(QStringLiteral("QZ7731")));
    // The "SU" reply refreshed the list again, now selecting the new port.
    QTRY_COMPARE(ports->currentText(), second.portName());
    QTRY_COMPARE(form.instrumentState().ModelIndex, 1);
}

void TestForm1::portListSelection_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("inUse");
    QTest::addColumn<QString>("selected");
    QTest::newRow("not listed: second item") << QStringList{"COM3", "COM1"} << "COM2" << "COM3";
    QTest::newRow("letter case ignored") << QStringList{"COM1", "COM3"} << "com3" << "COM3";
    QTest::newRow("one item, not listed") << QStringList{"COM1"} << "COM4" << "";
    QTest::newRow("COM10 sorts before COM2") << QStringList{"COM2", "COM10", "com1"} << "COM9"
                                             << "COM10";
}

void TestForm1::portListSelection()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, inUse);
    QFETCH(QString, selected);
    PanelFixture fx;
    fx.preset("Comms", "CommPort", inUse);
    TForm1& form = fx.start();
    // The system lists these ports, and adds nothing that is listed already.
    form.settingsPage()->setPortLister([listed](QStringList& items) {
        for (const QString& port : listed)
            if (!items.contains(port, Qt::CaseInsensitive))
                items << port;
    });
    QComboBox* ports = form.settingsPage()->CBPort();
    ports->addItem(listed.first()); // already shown from an earlier visit
    QSignalSpy picked(ports, &QComboBox::activated);
    form.refreshPortList();
    QCOMPARE(ports->currentText(), selected);
    QCOMPARE(ports->count(), listed.size());
    QCOMPARE(picked.count(), 0);
    // Sorted without regard to letter case.
    QStringList items;
    for (int i = 0; i < ports->count(); ++i)
        items << ports->itemText(i);
    QStringList sorted = items;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(items, sorted);
}

void TestForm1::failedWriteOfTheWindowStateIsShown()
{
    PanelFixture fx;
    QTemporaryDir dir;
    // The settings file's folder is taken by a plain file: nothing can be written.
    QFile blocker(dir.filePath(QStringLiteral("blocked")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Registry::setFileOverride(dir.filePath(QStringLiteral("blocked/settings.ini")));
    fx.start();
    QVERIFY(fx.dialogs.boxes.isEmpty());
    fx.closeWindow();
    QVERIFY(!fx.form()); // the program still ends
    QCOMPARE(fx.dialogs.boxes.size(), 1);
    QCOMPARE(fx.dialogs.boxes.first().kind, QStringLiteral("message"));
    QVERIFY(!fx.dialogs.boxes.first().text.isEmpty());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
