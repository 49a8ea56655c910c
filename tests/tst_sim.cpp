// The simulated thermometer: its command set and state, its physics, and the
// pseudo-terminal it is served on.
#include "PtySimulator.h"
#include "SimInstrument.h"
#include "Thermometry.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QtTest>

#include <cerrno>
#include <clocale>
#include <cmath>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Model = SimInstrument::Model;
using Fault = PtySimulator::Fault;

// Fields of one reply line, as the program splits them (commas here).
QList<QByteArray> fields(const QByteArray& reply)
{
    QByteArray line = reply;
    if (line.endsWith('\r'))
        line.chop(1);
    return line.split(',');
}

// Sends each line and checks it was accepted.
void sendAll(SimInstrument& sim, const QList<QByteArray>& lines)
{
    for (const QByteArray& line : lines)
        QCOMPARE(sim.respond(line), QByteArray("0\r"));
}

int decimalsOf(const QByteArray& number)
{
    const int point = number.indexOf('.');
    return point < 0 ? 0 : number.size() - point - 1;
}

// The test's end of the pty: the slave opened with plain POSIX calls, raw.
class PtyClient {
public:
    struct Chunk {
        qint64 ms;
        QByteArray bytes;
    };

    explicit PtyClient(const QString& path)
        : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios raw {};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
        m_clock.start();
    }
    ~PtyClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    int fd() const { return m_fd; }
    bool send(const QByteArray& bytes) { return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size(); }

    // Everything that arrives until the line has been quiet for quietMs.
    QList<Chunk> readUntilQuiet(int quietMs, int maxMs = 3000)
    {
        QList<Chunk> chunks;
        const qint64 end = m_clock.elapsed() + maxMs;
        while (m_clock.elapsed() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, quietMs) <= 0 || (p.revents & POLLIN) == 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            chunks.append({m_clock.elapsed(), QByteArray(buffer, int(n))});
        }
        return chunks;
    }

    // Bytes up to and including the next CR; empty after timeoutMs.
    QByteArray readLine(int timeoutMs = 2000)
    {
        QByteArray line;
        const qint64 end = m_clock.elapsed() + timeoutMs;
        while (!line.endsWith('\r') && m_clock.elapsed() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char ch = 0;
            if (::read(m_fd, &ch, 1) == 1)
                line += ch;
        }
        return line.endsWith('\r') ? line : QByteArray();
    }

private:
    int m_fd;
    QElapsedTimer m_clock;
};

QByteArray joined(const QList<PtyClient::Chunk>& chunks)
{
    QByteArray all;
    for (const PtyClient::Chunk& chunk : chunks)
        all += chunk.bytes;
    return all;
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void commandTable_data();
    void commandTable();
    void settingsShowInSu();
    void refusedSettingsChangeNothing_data();
    void refusedSettingsChangeNothing();
    void measuredValue_data();
    void measuredValue();
    void thermocoupleReference_data();
    void thermocoupleReference();
    void temperatureDriftsSlowlyNearRoom();
    void numbersUseFullStopUnderCommaLocale();
    void coefficientUpload();
    void announcedValueLine_data();
    void announcedValueLine();
    void tableRowsThenList_data();
    void tableRowsThenList();
    void forgetProbe();
    void memoryReadInBlocks();
    void remoteUntilLocal();

    void ptyServesCommands();
    void ptyFaults_data();
    void ptyFaults();
    void ptyStopHangsUpPromptly();
};

void TestSim::commandTable_data()
{
    QTest::addColumn<bool>("qz7731");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("fieldCount"); // 0: not checked
    QTest::addColumn<QByteArray>("field1"); // empty: not checked

    QTest::newRow("ID QZ7732") << false << QByteArray("ID") << 0 << 4 << QByteArray("0");
    QTest::newRow("ID QZ7731") << true << QByteArray("ID") << 0 << 4 << QByteArray("1");
    QTest::newRow("su lower case, blanks") << false << QByteArray("  su ") << 0 << 11 << QByteArray();
    QTest::newRow("LF inside is dropped") << false << QByteArray("S\nU\n") << 0 << 11 << QByteArray();
    QTest::newRow("ME") << false << QByteArray("ME") << 0 << 2 << QByteArray();
    QTest::newRow("X@") << false << QByteArray("X@") << 0 << 2 << QByteArray("3.9083E-03");
    QTest::newRow("y@") << false << QByteArray("y@") << 0 << 2 << QByteArray("-5.7750E-07");
    QTest::newRow("Z@") << false << QByteArray("Z@") << 0 << 2 << QByteArray("-4.1830E-12");
    QTest::newRow("R@") << false << QByteArray("R@") << 0 << 2 << QByteArray("100.0000");
    QTest::newRow("A@ millionths") << false << QByteArray("A@") << 0 << 2 << QByteArray("3908.3");
    QTest::newRow("B@ millionths") << false << QByteArray("B@") << 0 << 2 << QByteArray("-0.5775");
    QTest::newRow("D@ millionths") << false << QByteArray("D@") << 0 << 2 << QByteArray("-4.183E-06");
    QTest::newRow("LI three rows") << false << QByteArray("LI") << 0 << 6 + 3 * 4 + 1 << QByteArray("3");
    QTest::newRow("LP three rows") << false << QByteArray("LP") << 0 << 6 + 3 * 4 + 1 << QByteArray("3");
    QTest::newRow("S@") << false << QByteArray("S@") << 0 << 2 << QByteArray("1234");
    QTest::newRow("SP status only") << false << QByteArray("SP") << 0 << 1 << QByteArray();
    QTest::newRow("LM") << false << QByteArray("LM") << 0 << 16 << QByteArray("20");
    QTest::newRow("DU full block") << false << QByteArray("DU 1 1 8") << 0 << 3 + 8 + 1 << QByteArray("1");
    QTest::newRow("DU last block is short") << false << QByteArray("DU 1 17 8") << 0 << 3 + 4 + 1 << QByteArray();
    QTest::newRow("DU empty slot") << false << QByteArray("DU 4 1 8") << 2 << 1 << QByteArray();
    QTest::newRow("DU past the end") << false << QByteArray("DU 1 21 8") << 2 << 1 << QByteArray();
    QTest::newRow("DU slot 16") << false << QByteArray("DU 16 1 8") << 2 << 1 << QByteArray();
    QTest::newRow("DU without count") << false << QByteArray("DU 1 1") << 2 << 1 << QByteArray();
    QTest::newRow("UN C") << false << QByteArray("UN C") << 0 << 1 << QByteArray();
    QTest::newRow("UN OH on Pt100") << false << QByteArray("UN OH") << 0 << 1 << QByteArray();
    QTest::newRow("UN mV on Pt100") << false << QByteArray("UN mV") << 3 << 1 << QByteArray();
    QTest::newRow("UN mV on QZ7731") << true << QByteArray("UN mV") << 3 << 1 << QByteArray();
    QTest::newRow("UN unknown") << false << QByteArray("UN X") << 2 << 1 << QByteArray();
    QTest::newRow("SE K on QZ7732") << false << QByteArray("SE K") << 0 << 1 << QByteArray();
    QTest::newRow("SE K on QZ7731") << true << QByteArray("SE K") << 3 << 1 << QByteArray();
    QTest::newRow("SE N on QZ7731") << true << QByteArray("SE N") << 3 << 1 << QByteArray();
    QTest::newRow("SE PRT on QZ7731") << true << QByteArray("SE PRT") << 0 << 1 << QByteArray();
    QTest::newRow("SE unknown") << false << QByteArray("SE Q") << 2 << 1 << QByteArray();
    QTest::newRow("in a-b") << false << QByteArray("in a-b") << 0 << 1 << QByteArray();
    QTest::newRow("IN C") << false << QByteArray("IN C") << 2 << 1 << QByteArray();
    QTest::newRow("CM AB") << false << QByteArray("CM AB") << 0 << 1 << QByteArray();
    QTest::newRow("CO ABC") << false << QByteArray("CO ABC") << 2 << 1 << QByteArray();
    QTest::newRow("HR") << false << QByteArray("HR") << 0 << 1 << QByteArray();
    QTest::newRow("LR with an argument") << false << QByteArray("LR 1") << 2 << 1 << QByteArray();
    QTest::newRow("LO") << false << QByteArray("LO") << 0 << 1 << QByteArray();
    QTest::newRow("&R alone") << false << QByteArray("&R") << 0 << 1 << QByteArray();
    QTest::newRow("E1 zero rows") << false << QByteArray("E1 0 0 1 2") << 2 << 1 << QByteArray();
    QTest::newRow("E1 eleven rows") << false << QByteArray("E1 11 0 1 2") << 2 << 1 << QByteArray();
    QTest::newRow("E1 row past N") << false << QByteArray("E1 2 2 1 2") << 2 << 1 << QByteArray();
    QTest::newRow("E1 decimal comma") << false << QByteArray("E1 2 0 1,5 2") << 2 << 1 << QByteArray();
    QTest::newRow("E2 right-aligned") << false << QByteArray("E2 1 0   100.000     0.000") << 0 << 1 << QByteArray();
    QTest::newRow("unknown") << false << QByteArray("FOO") << 1 << 1 << QByteArray();
    QTest::newRow("one letter") << false << QByteArray("X") << 1 << 1 << QByteArray();
    QTest::newRow("empty line") << false << QByteArray("") << 1 << 1 << QByteArray();
}

void TestSim::commandTable()
{
    QFETCH(bool, qz7731);
    QFETCH(QByteArray, command);
    QFETCH(int, status);
    QFETCH(int, fieldCount);
    QFETCH(QByteArray, field1);

    SimInstrument sim(qz7731 ? Model::QZ7731 : Model::QZ7732);
    const QByteArray reply = sim.respond(command);
    QVERIFY2(reply.endsWith('\r') && reply.count('\r') == 1 && !reply.contains('\n'), reply.constData());
    const QList<QByteArray> f = fields(reply);
    QCOMPARE(f.first(), QByteArray::number(status));
    if (fieldCount > 0)
        QCOMPARE(f.size(), fieldCount);
    if (!field1.isEmpty())
        QCOMPARE(f.value(1), field1);
    QVERIFY(!f.contains(QByteArray())); // no empty field
}

void TestSim::settingsShowInSu()
{
    SimInstrument sim;
    // SE goes to the channel Input selects: A first, then B.
    sendAll(sim, {"SE R", "IN B", "SE J", "UN K", "HR", "CM AB", "CO B"});
    const QList<QByteArray> su = fields(sim.respond("SU"));
    QCOMPARE(su.size(), 11);
    QCOMPARE(su.mid(2, 6), (QList<QByteArray>{"2", "1", "1025", "0", "1", "3"}));
    QCOMPARE(su[9], QByteArray("2"));
    QCOMPARE(sim.sensorA(), 1);
    QCOMPARE(sim.sensorB(), 4);

    sendAll(sim, {"IN A-B", "LR", "CM OFF", "CO A"});
    const QList<QByteArray> after = fields(sim.respond("su"));
    QCOMPARE(after[3], QByteArray("2"));
    QCOMPARE(after[6], QByteArray("0"));
    QCOMPARE(after[7], QByteArray("0"));
    QCOMPARE(after[9], QByteArray("1"));
    QCOMPARE(sim.input(), 2);
    QCOMPARE(sim.units(), 2);
}

void TestSim::refusedSettingsChangeNothing_data()
{
    QTest::addColumn<bool>("qz7731");
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("refused");

    QTest::newRow("thermocouple on QZ7731") << true << QList<QByteArray>{} << QByteArray("SE K");
    QTest::newRow("ohms on a thermocouple") << false << QList<QByteArray>{"SE K"} << QByteArray("UN OH");
    QTest::newRow("EMF on Pt100 channel B")
        << false << QList<QByteArray>{"SE K", "UN mV", "IN B"} << QByteArray("UN mV");
    QTest::newRow("bad input") << false << QList<QByteArray>{"IN B"} << QByteArray("IN AB");
    QTest::newRow("bad mode") << false << QList<QByteArray>{"CM A"} << QByteArray("CM C");
}

void TestSim::refusedSettingsChangeNothing()
{
    QFETCH(bool, qz7731);
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QByteArray, refused);

    SimInstrument sim(qz7731 ? Model::QZ7731 : Model::QZ7732);
    sendAll(sim, setup);
    const QByteArray before = sim.respond("SU");
    QVERIFY(fields(sim.respond(refused)).first() != "0");
    QCOMPARE(sim.respond("SU"), before);
}

void TestSim::measuredValue_data()
{
    QTest::addColumn<double>("celsiusA");
    QTest::addColumn<double>("celsiusB");
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("decimals");

    using L = QList<QByteArray>;
    QTest::newRow("C HI") << 22.0 << 0.0 << L{"UN C", "HR"} << 22.0 << 0.0 << 3;
    QTest::newRow("C LO") << 22.0 << 0.0 << L{"UN C", "LR"} << 22.0 << 0.0 << 2;
    QTest::newRow("K") << 22.0 << 0.0 << L{"UN K"} << 295.15 << 0.0 << 3;
    QTest::newRow("F") << 22.0 << 0.0 << L{"UN F"} << 71.6 << 0.0 << 3;
    // IEC 60751 table: 108.570 ohms at 22 C, 138.506 at 100 C, 80.306 at -50 C.
    QTest::newRow("Pt100 22 C HI") << 22.0 << 0.0 << L{"UN OH"} << 108.5703 << 0.0001 << 4;
    QTest::newRow("Pt100 22 C LO") << 22.0 << 0.0 << L{"UN OH", "LR"} << 108.570 << 0.001 << 3;
    QTest::newRow("Pt100 100 C") << 100.0 << 0.0 << L{"UN OH"} << 138.5055 << 0.0001 << 4;
    QTest::newRow("Pt100 -50 C, C term") << -50.0 << 0.0 << L{"UN OH"} << 80.3063 << 0.0001 << 4;
    QTest::newRow("Pt100 with uploaded Rt0") << 0.0 << 0.0 << L{"R!", "101.25", "UN OH"} << 101.25 << 0.0 << 4;
    // ITS-90 table, type K: 0.879 mV at 22 C; reported in microvolts.
    QTest::newRow("type K on B, 22 C") << 0.0 << 22.0 << L{"IN B", "SE K", "UN mV"} << 879.0 << 0.6 << 2;
    QTest::newRow("type K LO") << 22.0 << 0.0 << L{"SE K", "UN mV", "LR"} << 879.0 << 0.6 << 1;
    QTest::newRow("type T 100 C") << 100.0 << 0.0 << L{"SE T", "UN mV"} << 4279.0 << 0.6 << 2;
    QTest::newRow("thermocouple in C") << 23.5 << 0.0 << L{"SE J", "UN C"} << 23.5 << 0.0 << 3;
    QTest::newRow("A-B in C") << 22.5 << 22.0 << L{"IN A-B"} << 0.5 << 0.0 << 3;
    QTest::newRow("A-B in F is a difference") << 22.5 << 22.0 << L{"IN A-B", "UN F"} << 0.9 << 0.0 << 3;
    QTest::newRow("A-B in K is a difference") << 22.5 << 22.0 << L{"IN A-B", "UN K"} << 0.5 << 0.0 << 3;
}

void TestSim::measuredValue()
{
    QFETCH(double, celsiusA);
    QFETCH(double, celsiusB);
    QFETCH(QList<QByteArray>, setup);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    QFETCH(int, decimals);

    SimInstrument sim;
    sim.holdTemperatures(celsiusA, celsiusB);
    sendAll(sim, setup);
    const QList<QByteArray> me = fields(sim.respond("ME"));
    QCOMPARE(me.size(), 2);
    QCOMPARE(me[0], QByteArray("0"));
    QCOMPARE(decimalsOf(me[1]), decimals);
    bool ok = false;
    const double value = me[1].toDouble(&ok);
    QVERIFY(ok);
    const double allowed = tolerance + 0.5 * std::pow(10.0, -decimals) + 1e-9;
    QVERIFY2(std::abs(value - expected) <= allowed, me[1].constData());
}

void TestSim::thermocoupleReference_data()
{
    QTest::addColumn<char>("type");
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("millivolts");

    // ITS-90 reference tables, reference junction at 0 C.
    QTest::newRow("K 22") << 'K' << 22.0 << 0.879;
    QTest::newRow("K 100") << 'K' << 100.0 << 4.096;
    QTest::newRow("K -50") << 'K' << -50.0 << -1.889;
    QTest::newRow("J 25") << 'J' << 25.0 << 1.277;
    QTest::newRow("J 100") << 'J' << 100.0 << 5.269;
    QTest::newRow("T 100") << 'T' << 100.0 << 4.279;
    QTest::newRow("T -50") << 'T' << -50.0 << -1.819;
    QTest::newRow("E 25") << 'E' << 25.0 << 1.495;
    QTest::newRow("E 100") << 'E' << 100.0 << 6.319;
    QTest::newRow("N 100") << 'N' << 100.0 << 2.774;
    QTest::newRow("R 100") << 'R' << 100.0 << 0.647;
    QTest::newRow("S 100") << 'S' << 100.0 << 0.646;
    QTest::newRow("B 100") << 'B' << 100.0 << 0.033;
    QTest::newRow("B 20, below zero EMF") << 'B' << 20.0 << -0.003;
    QTest::newRow("any 0 C") << 'N' << 0.0 << 0.0;
}

void TestSim::thermocoupleReference()
{
    QFETCH(char, type);
    QFETCH(double, celsius);
    QFETCH(double, millivolts);
    QVERIFY(std::abs(Thermometry::thermocoupleMillivolts(type, celsius) - millivolts) < 0.0006);
}

void TestSim::temperatureDriftsSlowlyNearRoom()
{
    SimInstrument sim;
    double now = 0.0;
    sim.setTimeSource([&now] { return now; });
    double lowest = 100.0;
    double highest = -100.0;
    double previous = 0.0;
    for (int step = 0; step <= 240; ++step) {
        now = step * 30.0;
        const double value = fields(sim.respond("ME"))[1].toDouble();
        QVERIFY2(value > 21.0 && value < 24.0, qPrintable(QString::number(value)));
        QVERIFY(sim.temperature(1) > 21.0 && sim.temperature(1) < value);
        if (step > 0)
            QVERIFY(std::abs(value - previous) < 0.2); // 30 s apart: a slow drift
        previous = value;
        lowest = qMin(lowest, value);
        highest = qMax(highest, value);
    }
    QVERIFY(highest - lowest > 1.0);

    // Noise: the same moment does not read twice the same to the last digit.
    QSet<QByteArray> readings;
    for (int i = 0; i < 10; ++i)
        readings.insert(sim.respond("ME"));
    QVERIFY(readings.size() > 1);
}

void TestSim::numbersUseFullStopUnderCommaLocale()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // where installed

    SimInstrument sim;
    sim.holdTemperatures(22.25, 22.0);
    const QByteArray me = sim.respond("ME");
    const QByteArray x = sim.respond("X@");
    QByteArray accepted = sim.respond("R!");
    accepted += sim.respond("100.5");

    std::setlocale(LC_NUMERIC, numeric.constData());
    QLocale::setDefault(previous);
    QCOMPARE(me, QByteArray("0,22.250\r"));
    QCOMPARE(x, QByteArray("0,3.9083E-03\r"));
    QCOMPARE(accepted, QByteArray("0\r0\r"));
    QCOMPARE(sim.coefficient('R'), 100.5);
}

void TestSim::coefficientUpload()
{
    SimInstrument sim;
    // The nine lines in the order the panel sends them; value lines as typed,
    // with the blanks a right-aligned field keeps.
    sendAll(sim, {"X!", "3.9100E-03", "Y!", "-5.8e-7", "Z!", "-4.2E-12", "R!", "  101.250000", "&R"});
    QCOMPARE(sim.coefficient('A'), 3.91e-3);
    QCOMPARE(sim.coefficient('B'), -5.8e-7);
    QCOMPARE(sim.coefficient('C'), -4.2e-12);
    QCOMPARE(sim.coefficient('R'), 101.25);
    QCOMPARE(sim.respond("R@"), QByteArray("0,101.2500\r"));
    QCOMPARE(sim.respond("X@"), QByteArray("0,3.9100E-03\r"));
    QCOMPARE(sim.respond("A@"), QByteArray("0,3910\r"));
}

void TestSim::announcedValueLine_data()
{
    QTest::addColumn<QByteArray>("announce");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("readBack");

    QTest::newRow("A") << QByteArray("X!") << QByteArray("3.91E-03") << true << QByteArray("X@") << QByteArray("3.9100E-03");
    QTest::newRow("A not a number") << QByteArray("X!") << QByteArray("abc") << false << QByteArray("X@") << QByteArray("3.9083E-03");
    QTest::newRow("A empty line") << QByteArray("X!") << QByteArray("") << false << QByteArray("X@") << QByteArray("3.9083E-03");
    QTest::newRow("Rt0 decimal comma") << QByteArray("R!") << QByteArray("100,5") << false << QByteArray("R@") << QByteArray("100.0000");
    QTest::newRow("Rt0 trailing text") << QByteArray("R!") << QByteArray("100.5x") << false << QByteArray("R@") << QByteArray("100.0000");
    QTest::newRow("command taken as value") << QByteArray("Z!") << QByteArray("SU") << false << QByteArray("Z@") << QByteArray("-4.1830E-12");
    QTest::newRow("serial") << QByteArray("S!") << QByteArray("42") << true << QByteArray("S@") << QByteArray("42");
    QTest::newRow("serial 0") << QByteArray("S!") << QByteArray("0") << true << QByteArray("S@") << QByteArray("0");
    QTest::newRow("serial 9999") << QByteArray("S!") << QByteArray("9999") << true << QByteArray("S@") << QByteArray("9999");
    QTest::newRow("serial 10000") << QByteArray("S!") << QByteArray("10000") << false << QByteArray("S@") << QByteArray("1234");
    QTest::newRow("serial -1") << QByteArray("S!") << QByteArray("-1") << false << QByteArray("S@") << QByteArray("1234");
    QTest::newRow("serial 12a") << QByteArray("S!") << QByteArray("12a") << false << QByteArray("S@") << QByteArray("1234");
}

void TestSim::announcedValueLine()
{
    QFETCH(QByteArray, announce);
    QFETCH(QByteArray, value);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, readBack);

    SimInstrument sim;
    QCOMPARE(sim.respond(announce), QByteArray("0\r"));
    QCOMPARE(sim.respond(value) == "0\r", accepted);
    QCOMPARE(fields(sim.respond(read)).value(1), readBack);
    // Only the one line after the announcement is a value.
    QCOMPARE(fields(sim.respond("SU")).size(), 11);
}

void TestSim::tableRowsThenList_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("probe");
    QTest::newRow("correction table") << QByteArray("E1") << QByteArray("LI") << false;
    QTest::newRow("probe table") << QByteArray("E2") << QByteArray("LP") << true;
}

void TestSim::tableRowsThenList()
{
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, list);
    QFETCH(bool, probe);

    SimInstrument sim; // starts with three rows in either table
    sendAll(sim, {write + " 2 0   100.000     0.012", write + " 2 1 200 -0.5"});
    const QVector<QPair<double, double>> expected{{100.0, 0.012}, {200.0, -0.5}};
    QCOMPARE(probe ? sim.probeTable() : sim.correctionTable(), expected);
    QCOMPARE(sim.respond(list), QByteArray("0,2,0,0,0,0,100.000,1,0.012,C,200.000,2,-0.500,C,Done\r"));
    // A refused row leaves the table as it was.
    QCOMPARE(sim.respond(write + " 2 1 x 5"), QByteArray("2\r"));
    QCOMPARE(probe ? sim.probeTable() : sim.correctionTable(), expected);
}

void TestSim::forgetProbe()
{
    SimInstrument sim;
    sendAll(sim, {"S!", "77", "FP"});
    QCOMPARE(sim.probeSerial(), 0);
    QVERIFY(sim.probeTable().isEmpty());
    QCOMPARE(sim.respond("LP"), QByteArray("0,0,0,0,0,0,Done\r"));
    QCOMPARE(sim.respond("S@"), QByteArray("0,0\r"));
    QCOMPARE(sim.correctionTable().size(), 3); // the instrument's own table stays
}

void TestSim::memoryReadInBlocks()
{
    SimInstrument sim;
    const QVector<QVector<double>> memory = sim.memorySlots();
    QCOMPARE(memory.size(), SimInstrument::SlotCount);
    const QList<QByteArray> lm = fields(sim.respond("LM"));
    QCOMPARE(lm.size(), 16);
    for (int s = 0; s < SimInstrument::SlotCount; ++s)
        QCOMPARE(lm[s + 1].toInt(), memory[s].size());
    QCOMPARE(memory[0].size(), 20);

    // Slot 1 in the panel's blocks of eight.
    QList<QByteArray> readings;
    for (const char* block : {"DU 1 1 8", "DU 1 9 8", "DU 1 17 4"}) {
        const QList<QByteArray> du = fields(sim.respond(block));
        QCOMPARE(du.first(), QByteArray("0"));
        QCOMPARE(du.last(), QByteArray("END"));
        readings += du.mid(3, du.size() - 4);
    }
    QCOMPARE(readings.size(), 20);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(readings[i], QByteArray::number(memory[0][i], 'f', 3));
}

void TestSim::remoteUntilLocal()
{
    SimInstrument sim;
    QVERIFY(!sim.remote());
    QCOMPARE(fields(sim.respond("SU")).value(1), QByteArray("1"));
    QVERIFY(sim.remote());
    sim.respond("LO");
    QVERIFY(!sim.remote());
    QCOMPARE(fields(sim.respond("SU")).value(1), QByteArray("1"));
}

void TestSim::ptyServesCommands()
{
    PtySimulator sim;
    QVERIFY(sim.start());
    QVERIFY(sim.portName().startsWith("/dev/pts/"));
    const QByteArray id = SimInstrument().respond("ID");
    {
        PtyClient client(sim.portName());
        QVERIFY(client.fd() >= 0);
        QVERIFY(client.send("ID\r"));
        QCOMPARE(client.readLine(), id);
        // An LF after the CR is ignored; two commands in one write get two replies.
        QVERIFY(client.send("un k\r\nSU\r"));
        QCOMPARE(client.readLine(), QByteArray("0\r"));
        QCOMPARE(fields(client.readLine()).value(2), QByteArray("2"));
    }
    QCOMPARE(sim.commands(), (QList<QByteArray>{"ID", "un k", "SU"}));
    QCOMPARE(sim.snapshot().units(), 2);

    using E = PtySimulator::Event;
    // The last reply's event is recorded just after its bytes went out.
    QTRY_COMPARE(sim.events().size(), 9);
    const QList<E> events = sim.events();
    QCOMPARE(events[0].kind, E::CommandFirstByte);
    QCOMPARE(events[1].kind, E::CommandLine);
    QCOMPARE(events[1].text, QByteArray("ID"));
    QCOMPARE(events[2].kind, E::ReplyLastByteWritten);
    QCOMPARE(events[2].text, id);
    for (int i = 1; i < events.size(); ++i)
        QVERIFY(events[i].steadyNs >= events[i - 1].steadyNs);
    sim.clearEvents();
    QVERIFY(sim.events().isEmpty());

    // The program closes its port and opens it again: the line still works.
    sim.withInstrument([](SimInstrument& instrument) { instrument.holdTemperatures(21.5, 21.0); });
    PtyClient again(sim.portName());
    QVERIFY(again.send("ME\r"));
    QCOMPARE(again.readLine(), QByteArray("0,294.650\r"));
}

void TestSim::ptyFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("minGapMs");    // longest pause between two bursts
    QTest::addColumn<int>("minSpreadMs"); // first to last burst

    const QByteArray id = SimInstrument().respond("ID");
    QTest::newRow("none") << int(Fault::None) << id << 0 << 0;
    QTest::newRow("no reply") << int(Fault::NoReply) << QByteArray() << 0 << 0;
    QTest::newRow("split") << int(Fault::SplitReply) << id << 200 << 200;
    QTest::newRow("two replies") << int(Fault::TwoReplies) << id + id << 0 << 0;
    QTest::newRow("bad status") << int(Fault::BadStatus) << "1" + id.mid(1) << 0 << 0;
    // 16 bytes, 5 ms apart.
    QTest::newRow("slow bytes") << int(Fault::SlowBytes) << id << 0 << 60;
    QTest::newRow("no CR") << int(Fault::NoCR) << id.chopped(1) << 0 << 0;
}

void TestSim::ptyFaults()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, expected);
    QFETCH(int, minGapMs);
    QFETCH(int, minSpreadMs);

    PtySimulator::Options options;
    options.splitPauseMs = 250;
    options.byteDelayMs = 5;
    PtySimulator sim(options);
    QVERIFY(sim.start());
    PtyClient client(sim.portName());
    sim.setFault(Fault(fault)); // takes effect for the next reply
    QVERIFY(client.send("ID\r"));

    const QList<PtyClient::Chunk> chunks = client.readUntilQuiet(500);
    QCOMPARE(joined(chunks), expected);
    qint64 longestGap = 0;
    for (int i = 1; i < chunks.size(); ++i)
        longestGap = qMax(longestGap, chunks[i].ms - chunks[i - 1].ms);
    QVERIFY2(longestGap >= minGapMs, qPrintable(QString::number(longestGap)));
    if (minSpreadMs > 0)
        QVERIFY(chunks.last().ms - chunks.first().ms >= minSpreadMs);
    // A silent instrument still heard the command.
    QCOMPARE(sim.commands(), QList<QByteArray>{"ID"});
}

void TestSim::ptyStopHangsUpPromptly()
{
    PtySimulator::Options options;
    options.fault = Fault::SplitReply;
    options.splitPauseMs = 10000;
    PtySimulator sim(options);
    QVERIFY(sim.start());
    const QString port = sim.portName();
    PtyClient client(port);
    QVERIFY(client.send("ID\r"));
    QVERIFY(!client.readUntilQuiet(300).isEmpty()); // first half only

    // stop() does not sit out the pause of the reply under way.
    QElapsedTimer timer;
    timer.start();
    sim.stop();
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(!sim.isRunning());

    pollfd p{client.fd(), POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 500), 1);
    QVERIFY(p.revents & POLLHUP);
    char byte = 0;
    errno = 0;
    const ssize_t n = ::read(client.fd(), &byte, 1);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
    QVERIFY(!QFileInfo::exists(port));
    QVERIFY(::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY) < 0);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
