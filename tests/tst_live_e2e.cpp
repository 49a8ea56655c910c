// The Main and Log pages in the real main window, talking to the simulated
// instrument on a pseudo-terminal: a setting picked on the Main page goes out
// followed by "SU" and the page then shows what the instrument reports; one
// measurement on demand; a few lines logged to a file.
#include "CommandChannel.h"
#include "Form1.h"
#include "LogPage.h"
#include "MainPage.h"
#include "PanelFixture.h"
#include "PtySimulator.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QStringList received(const PtySimulator& sim)
{
    QStringList out;
    for (const QByteArray& c : sim.commands())
        out << QString::fromLatin1(c);
    return out;
}

// The window started against a simulator, past its start-up exchange.
struct Session {
    PtySimulator sim;
    PanelFixture fx;
    TForm1* form = nullptr;

    explicit Session(SimInstrument::Model model) : sim(options(model)) {}
    static PtySimulator::Options options(SimInstrument::Model model)
    {
        PtySimulator::Options o;
        o.model = model;
        return o;
    }
    bool start()
    {
        if (!sim.start())
            return false;
        fx.preset("Comms", "CommPort", sim.portName());
        form = &fx.start();
        return form->SerialPortNG1().Active();
    }
    // Every command sent so far has had its reply handled.
    bool idle() const { return !form->channel().AwaitingReply; }
    template <typename T> T* find(const char* name) const
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
};

} // namespace

class TestLiveE2E : public QObject {
    Q_OBJECT

private slots:
    void settingGoesOutThenPageShowsInstrument_data();
    void settingGoesOutThenPageShowsInstrument();
    void measureOnce();
    void logAFewLines();
};

void TestLiveE2E::settingGoesOutThenPageShowsInstrument_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("selector");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("shown");
    const int qz7732 = int(SimInstrument::Model::QZ7732);
    const int qz7731 = int(SimInstrument::Model::QZ7731);
    QTest::newRow("input B") << qz7732 << "cbInput" << 1 << "IN B"
                             << "B";
    QTest::newRow("sensor J") << qz7732 << "cbSensorA" << 4 << "SE J"
                              << "J";
    QTest::newRow("Kelvin") << qz7732 << "cbUnits" << 2 << "UN K"
                            << "Kelvin";
    QTest::newRow("resolution LO") << qz7732 << "cbResolution" << 0 << "LR"
                                   << "LO";
    QTest::newRow("coefficients AB") << qz7732 << "cbCoeffA" << 3 << "CM AB"
                                     << "AB";
    QTest::newRow("corrections B") << qz7732 << "cbCorrA" << 2 << "CO B"
                                   << "B";
    QTest::newRow("ohms on QZ7731") << qz7731 << "cbUnits" << 0 << "UN OH"
                                    << "Ohms";
    // The QZ7731 refuses a thermocouple: the selector returns to what it reports.
    QTest::newRow("thermocouple refused") << qz7731 << "cbSensorA" << 4 << "SE J"
                                          << "Pt100";
}

void TestLiveE2E::settingGoesOutThenPageShowsInstrument()
{
    QFETCH(int, model);
    QFETCH(QString, selector);
    QFETCH(int, index);
    QFETCH(QString, command);
    QFETCH(QString, shown);
    Session s{SimInstrument::Model(model)};
    QVERIFY(s.start());
    QTRY_COMPARE(received(s.sim).size(), 3);
    QTRY_VERIFY(s.idle());

    auto* box = s.form->findChild<QComboBox*>(selector);
    QVERIFY(box);
    box->setCurrentIndex(index);
    emit box->activated(index);
    QTRY_COMPARE(received(s.sim).mid(3), QStringList({command, "SU"}));
    QTRY_VERIFY(s.idle());

    QCOMPARE(box->currentText(), shown);
    const SimInstrument instrument = s.sim.snapshot();
    const InstrumentState& state = s.form->instrumentState();
    QCOMPARE(state.ModelIndex, model);
    QCOMPARE(state.Units, instrument.units());
    QCOMPARE(state.Input, instrument.input());
    QCOMPARE(state.SensorA, instrument.sensorA());
    QCOMPARE(state.SensorB, instrument.sensorB());
    QCOMPARE(state.Resolution, instrument.resolution());
    QCOMPARE(state.CoeffMode, instrument.coeffMode());
    QCOMPARE(state.CorrMode, instrument.corrMode());
    // The channel box in use follows the input the instrument reports.
    QCOMPARE(s.find<QGroupBox>("gbB")->isEnabled(), instrument.input() == 1);
    QVERIFY(s.fx.dialogs.boxes.isEmpty());
}

void TestLiveE2E::measureOnce()
{
    Session s(SimInstrument::Model::QZ7732);
    QVERIFY(s.start());
    QTRY_COMPARE(received(s.sim).size(), 3);
    QTRY_VERIFY(s.idle());
    QLabel* lMV = s.find<QLabel>("lMV");
    lMV->setText(QStringLiteral("-"));

    s.find<QPushButton>("bMeasure")->click();
    QTRY_COMPARE(received(s.sim).size(), 4);
    QCOMPARE(received(s.sim).last(), QStringLiteral("ME"));
    QTRY_VERIFY(s.idle());
    // Room temperature in degrees Celsius, as the instrument wrote it.
    QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+\\.\\d+$")).match(lMV->text()).hasMatch(),
             qPrintable(lMV->text()));
    QCOMPARE(s.find<QLabel>("lLog_MV")->text(), lMV->text());
}

void TestLiveE2E::logAFewLines()
{
    QTemporaryDir dir;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });

    Session s(SimInstrument::Model::QZ7732);
    QVERIFY(s.start());
    QTRY_COMPARE(received(s.sim).size(), 3);
    QTRY_VERIFY(s.idle());
    LogPage* log = s.form->logPage();
    log->setDateTimeLocale(QLocale::c());
    s.find<QSpinBox>("seInterval")->setValue(1);

    s.find<QPushButton>("bStart")->click();
    QVERIFY(log->loggingActive());
    QCOMPARE(s.form->tLog().interval(), 1000);
    // The reply to Start's request, one on demand, and one tick of the timer.
    QTRY_VERIFY(s.idle());
    s.find<QPushButton>("bMeasure")->click();
    QTRY_COMPARE(received(s.sim).count(QStringLiteral("ME")), 4);
    QTRY_VERIFY(s.idle());
    s.find<QPushButton>("bStop")->click();
    QVERIFY(!log->loggingActive());
    QCOMPARE(s.find<QLabel>("lLogName")->text(), log->logName() + " saved.");

    QFile file(log->logName() + ".txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 4); // three lines, each ended by CR LF
    QVERIFY(lines.last().isEmpty());
    const QRegularExpression form(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4}( \\d\\d:\\d\\d:\\d\\d)?,-?\\d+\\.\\d+\\r$"));
    for (int i = 0; i < 3; ++i)
        QVERIFY2(form.match(QString::fromLatin1(lines[i])).hasMatch(), lines[i].constData());
    QVERIFY(lines[2].endsWith("," + s.find<QLabel>("lLog_MV")->text().toLatin1() + "\r"));
    QVERIFY(s.fx.dialogs.boxes.isEmpty());
}

QTEST_MAIN(TestLiveE2E)
#include "tst_live_e2e.moc"
