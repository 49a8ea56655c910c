#include "SimInstrument.h"

#include "Thermometry.h"

#include <QElapsedTimer>

#include <cmath>

namespace {

// Callendar-Van Dusen coefficients of a standard Pt100 (IEC 60751).
constexpr double kStandardA = 3.9083E-03;
constexpr double kStandardB = -5.775E-07;
constexpr double kStandardC = -4.183E-12;
constexpr double kStandardR0 = 100.0;

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoiseCelsius = 0.004;
constexpr int kMaxDumpEntries = 64;

// Sensor codes in the order of the settings reply: Pt100 first, then the
// thermocouple types.
const char kThermocoupleTypes[] = "?RSBJTEKN";

QByteArray statusLine(int status)
{
    return QByteArray::number(status) + '\r';
}

// A reply of the status 0 and the given fields.
QByteArray okLine(const QList<QByteArray>& fields)
{
    QByteArray line("0");
    for (const QByteArray& field : fields)
        line += ',' + field;
    return line + '\r';
}

// Decimal number with the full stop, optional sign and exponent; blanks around
// it are allowed.
bool parseReal(const QByteArray& text, double* value)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (char ch : trimmed) {
        const bool allowed = (ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-'
            || ch == 'e' || ch == 'E';
        if (!allowed)
            return false;
    }
    bool ok = false;
    const double parsed = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

bool parseInt(const QByteArray& text, int lo, int hi, int* value)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (char ch : trimmed) {
        if (ch < '0' || ch > '9')
            return false;
    }
    bool ok = false;
    const int parsed = trimmed.toInt(&ok);
    if (!ok || parsed < lo || parsed > hi)
        return false;
    *value = parsed;
    return true;
}

QByteArray fixed(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

// A few logged readings per slot, so that the memory page has something to show.
QVector<QVector<double>> sampleSlots()
{
    const int counts[SimInstrument::SlotCount] = {20, 8, 9, 0, 1, 0, 17, 0, 0, 0, 0, 64, 0, 0, 0};
    QVector<QVector<double>> memory(SimInstrument::SlotCount);
    for (int s = 0; s < SimInstrument::SlotCount; ++s) {
        for (int i = 0; i < counts[s]; ++i) {
            const double reading = 21.0 + 0.1 * (s + 1) + 0.02 * i + 0.01 * std::sin(i);
            memory[s].append(std::round(reading * 1000.0) / 1000.0);
        }
    }
    return memory;
}

} // namespace

SimInstrument::SimInstrument(Model model)
    : m_model(model)
    , m_coeffA(kStandardA)
    , m_coeffB(kStandardB)
    , m_coeffC(kStandardC)
    , m_coeffR(kStandardR0)
    , m_correction{{0.0, 0.012}, {50.0, -0.008}, {100.0, 0.021}}
    , m_probe{{100.012, 0.0}, {119.410, 50.0}, {138.520, 100.0}}
    , m_probeSerial(model == Model::QZ7732 ? 1234 : 871)
    , m_slots(sampleSlots())
{
    QElapsedTimer started;
    started.start();
    m_clock = [started] { return started.nsecsElapsed() / 1e9; };
}

void SimInstrument::setTimeSource(std::function<double()> secondsSinceStart)
{
    m_clock = std::move(secondsSinceStart);
}

void SimInstrument::holdTemperatures(double channelA, double channelB)
{
    m_held = true;
    m_heldTemperature[0] = channelA;
    m_heldTemperature[1] = channelB;
}

void SimInstrument::releaseTemperatures()
{
    m_held = false;
}

double SimInstrument::coefficient(char which) const
{
    switch (which) {
    case 'A': return m_coeffA;
    case 'B': return m_coeffB;
    case 'C': return m_coeffC;
    case 'R': return m_coeffR;
    default: return 0.0;
    }
}

double SimInstrument::temperature(int channel) const
{
    if (m_held)
        return m_heldTemperature[channel == 1 ? 1 : 0];
    // A room drifting between about 21.4 and 23.8 C over an hour, with a small
    // ripple of five minutes; channel B sits a quarter of a degree colder.
    const double t = m_clock ? m_clock() : 0.0;
    const double room = 22.6 + 1.1 * std::sin(2 * kPi * t / 3600.0) + 0.1 * std::sin(2 * kPi * t / 300.0);
    if (channel != 1)
        return room;
    return room - 0.25 + 0.05 * std::sin(2 * kPi * t / 700.0);
}

QByteArray SimInstrument::respond(const QByteArray& commandLine)
{
    QByteArray line = commandLine;
    line.replace('\n', QByteArray());
    line.replace('\r', QByteArray());
    if (m_pending != Pending::None)
        return acceptPendingValue(line);

    const QByteArray words = line.simplified().toUpper();
    if (words.isEmpty())
        return statusLine(UnknownCommand);
    m_remote = true; // any traffic takes the instrument out of local control
    return execute(words.split(' '));
}

QByteArray SimInstrument::execute(const QList<QByteArray>& words)
{
    // Commands that take no arguments refuse any.
    static const QList<QByteArray> bareCommands{"ID", "SU", "ME", "LR", "HR", "LO", "X@", "Y@",
                                                "Z@", "R@", "A@", "B@", "D@", "X!", "Y!", "Z!",
                                                "R!", "S!", "&R", "LI", "LP", "S@", "FP", "SP", "LM"};
    // Commands of one argument.
    static const QList<QByteArray> settingCommands{"IN", "SE", "UN", "CM", "CO"};

    const QByteArray& keyword = words.first();
    if (bareCommands.contains(keyword) && words.size() != 1)
        return statusLine(BadArgument);
    if (settingCommands.contains(keyword) && words.size() != 2)
        return statusLine(BadArgument);
    const QByteArray arg = words.value(1);

    if (keyword == "ID")
        return identify();
    if (keyword == "SU")
        return settingsReply();
    if (keyword == "ME")
        return measure();
    if (keyword == "IN")
        return setInput(arg);
    if (keyword == "SE")
        return setSensor(arg);
    if (keyword == "UN")
        return setUnits(arg);
    if (keyword == "CM")
        return setMode(m_coeffMode, arg);
    if (keyword == "CO")
        return setMode(m_corrMode, arg);
    if (keyword == "LR" || keyword == "HR") {
        m_resolution = keyword == "HR" ? 1 : 0;
        return statusLine(Ok);
    }
    if (keyword == "LO") {
        m_remote = false;
        return statusLine(Ok);
    }
    if (keyword.endsWith('@') && keyword != "S@" && bareCommands.contains(keyword))
        return coefficientRead(keyword[0]);
    if (keyword.endsWith('!') && bareCommands.contains(keyword)) {
        switch (keyword[0]) {
        case 'X': m_pending = Pending::CoeffA; break;
        case 'Y': m_pending = Pending::CoeffB; break;
        case 'Z': m_pending = Pending::CoeffC; break;
        case 'R': m_pending = Pending::CoeffR; break;
        default: m_pending = Pending::ProbeSerial; break;
        }
        return statusLine(Ok);
    }
    if (keyword == "&R" || keyword == "SP")
        return statusLine(Ok);
    if (keyword == "LI")
        return listTable(m_correction);
    if (keyword == "E1")
        return setTableRow(m_correction, words);
    if (keyword == "LP")
        return listTable(m_probe);
    if (keyword == "E2")
        return setTableRow(m_probe, words);
    if (keyword == "S@")
        return okLine({QByteArray::number(m_probeSerial)});
    if (keyword == "FP") {
        m_probe.clear();
        m_probeSerial = 0;
        return statusLine(Ok);
    }
    if (keyword == "LM") {
        QList<QByteArray> counts;
        for (const QVector<double>& slot : m_slots)
            counts.append(QByteArray::number(slot.size()));
        return okLine(counts);
    }
    if (keyword == "DU")
        return dump(words);
    return statusLine(UnknownCommand);
}

QByteArray SimInstrument::acceptPendingValue(const QByteArray& line)
{
    const Pending pending = m_pending;
    m_pending = Pending::None;
    if (pending == Pending::ProbeSerial) {
        int serial = 0;
        if (!parseInt(line, 0, 9999, &serial))
            return statusLine(BadArgument);
        m_probeSerial = serial;
        return statusLine(Ok);
    }
    double value = 0.0;
    if (!parseReal(line, &value))
        return statusLine(BadArgument);
    switch (pending) {
    case Pending::CoeffA: m_coeffA = value; break;
    case Pending::CoeffB: m_coeffB = value; break;
    case Pending::CoeffC: m_coeffC = value; break;
    case Pending::CoeffR: m_coeffR = value; break;
    default: break;
    }
    return statusLine(Ok);
}

QByteArray SimInstrument::identify() const
{
    if (m_model == Model::QZ7731)
        return okLine({"1", "V1.12", "03125"});
    return okLine({"0", "V2.07", "04711"});
}

// Status, the remote flag, units, input, sensors, CJC modes, resolution,
// coefficient mode, correction-table rows, correction mode, probe-table rows.
QByteArray SimInstrument::settingsReply() const
{
    return okLine({QByteArray::number(m_remote ? 1 : 0),
                   QByteArray::number(m_units),
                   QByteArray::number(m_input),
                   QByteArray::number(m_sensor[1] * 256 + m_sensor[0]),
                   QByteArray::number(m_cjc[1] * 256 + m_cjc[0]),
                   QByteArray::number(m_resolution),
                   QByteArray::number(m_coeffMode),
                   QByteArray::number(m_correction.size()),
                   QByteArray::number(m_corrMode),
                   QByteArray::number(m_probe.size())});
}

double SimInstrument::channelValue(int channel, double celsius) const
{
    switch (m_units) {
    case 0:
        if (isThermocouple(channel))
            return 1000.0 * Thermometry::thermocoupleMillivolts(kThermocoupleTypes[m_sensor[channel]], celsius);
        return Thermometry::platinumResistance(celsius, m_coeffA, m_coeffB, m_coeffC, m_coeffR);
    case 2:
        return celsius + 273.15;
    case 3:
        return celsius * 1.8 + 32.0;
    default:
        return celsius;
    }
}

// Ohms to 0.001 or 0.0001, EMF in microvolts to 0.1 or 0.01, temperatures to
// 0.01 or 0.001.
int SimInstrument::decimals() const
{
    if (m_units == 0)
        return (isThermocouple(activeChannel()) ? 1 : 3) + m_resolution;
    return 2 + m_resolution;
}

double SimInstrument::noise()
{
    if (m_held)
        return 0.0;
    // xorshift32: cheap and reproducible from one state word.
    m_noiseState ^= m_noiseState << 13;
    m_noiseState ^= m_noiseState >> 17;
    m_noiseState ^= m_noiseState << 5;
    return kNoiseCelsius * (m_noiseState / 2147483648.0 - 1.0);
}

QByteArray SimInstrument::measure()
{
    double value = 0.0;
    if (m_input == 2) {
        const double a = temperature(0) + noise();
        const double b = temperature(1) + noise();
        value = channelValue(0, a) - channelValue(1, b);
    } else {
        const int channel = activeChannel();
        value = channelValue(channel, temperature(channel) + noise());
    }
    return okLine({fixed(value, decimals())});
}

QByteArray SimInstrument::coefficientRead(char command) const
{
    switch (command) {
    case 'X': return okLine({QByteArray::number(m_coeffA, 'E', 4)});
    case 'Y': return okLine({QByteArray::number(m_coeffB, 'E', 4)});
    case 'Z': return okLine({QByteArray::number(m_coeffC, 'E', 4)});
    case 'R': return okLine({fixed(m_coeffR, 4)});
    // The same coefficients in millionths.
    case 'A': return okLine({QByteArray::number(m_coeffA * 1e6, 'G', 6)});
    case 'B': return okLine({QByteArray::number(m_coeffB * 1e6, 'G', 6)});
    default: return okLine({QByteArray::number(m_coeffC * 1e6, 'G', 6)});
    }
}

QByteArray SimInstrument::setInput(const QByteArray& arg)
{
    static const QList<QByteArray> inputs{"A", "B", "A-B"};
    const int input = inputs.indexOf(arg);
    if (input < 0)
        return statusLine(BadArgument);
    m_input = input;
    return statusLine(Ok);
}

QByteArray SimInstrument::setSensor(const QByteArray& arg)
{
    static const QList<QByteArray> sensors{"PRT", "R", "S", "B", "J", "T", "E", "K", "N"};
    const int sensor = arg == "PT100" ? 0 : sensors.indexOf(arg);
    if (sensor < 0)
        return statusLine(BadArgument);
    // The QZ7731 has platinum resistance inputs only.
    if (m_model == Model::QZ7731 && sensor != 0)
        return statusLine(NotAvailable);
    m_sensor[activeChannel()] = sensor;
    return statusLine(Ok);
}

QByteArray SimInstrument::setUnits(const QByteArray& arg)
{
    const bool thermocouple = isThermocouple(activeChannel());
    int units = -1;
    if (arg == "OH") {
        if (thermocouple)
            return statusLine(NotAvailable);
        units = 0;
    } else if (arg == "MV") {
        if (!thermocouple)
            return statusLine(NotAvailable);
        units = 0;
    } else if (arg == "C") {
        units = 1;
    } else if (arg == "K") {
        units = 2;
    } else if (arg == "F") {
        units = 3;
    } else {
        return statusLine(BadArgument);
    }
    m_units = units;
    return statusLine(Ok);
}

QByteArray SimInstrument::setMode(int& mode, const QByteArray& arg)
{
    static const QList<QByteArray> modes{"OFF", "A", "B", "AB"};
    const int index = modes.indexOf(arg);
    if (index < 0)
        return statusLine(BadArgument);
    mode = index;
    return statusLine(Ok);
}

// "E1 N i value degC": row i (from 0) of a table that now has N rows.
QByteArray SimInstrument::setTableRow(Table& table, const QList<QByteArray>& words)
{
    int rows = 0;
    int row = 0;
    double value = 0.0;
    double celsius = 0.0;
    if (words.size() != 5 || !parseInt(words[1], 1, MaxTableRows, &rows)
        || !parseInt(words[2], 0, rows - 1, &row) || !parseReal(words[3], &value)
        || !parseReal(words[4], &celsius))
        return statusLine(BadArgument);
    table.resize(rows);
    table[row] = qMakePair(value, celsius);
    return statusLine(Ok);
}

// Status, the row count and four unused fields, then per row: value, row
// number, degrees Celsius, "C"; "Done" at the end.
QByteArray SimInstrument::listTable(const Table& table) const
{
    QList<QByteArray> fields{QByteArray::number(table.size()), "0", "0", "0", "0"};
    for (int i = 0; i < table.size(); ++i) {
        fields << fixed(table[i].first, 3) << QByteArray::number(i + 1)
               << fixed(table[i].second, 3) << "C";
    }
    fields << "Done";
    return okLine(fields);
}

// "DU s a n": status, slot, first entry, up to n readings from entry a (from 1),
// then "END".
QByteArray SimInstrument::dump(const QList<QByteArray>& words) const
{
    int slot = 0;
    int first = 0;
    int count = 0;
    if (words.size() != 4 || !parseInt(words[1], 1, SlotCount, &slot)
        || !parseInt(words[2], 1, 1 << 20, &first) || !parseInt(words[3], 1, kMaxDumpEntries, &count))
        return statusLine(BadArgument);
    const QVector<double>& readings = m_slots[slot - 1];
    if (first > readings.size())
        return statusLine(BadArgument);
    QList<QByteArray> fields{QByteArray::number(slot), QByteArray::number(first)};
    const int last = qMin(readings.size(), first - 1 + count);
    for (int i = first - 1; i < last; ++i)
        fields << fixed(readings[i], 3);
    fields << "END";
    return okLine(fields);
}
