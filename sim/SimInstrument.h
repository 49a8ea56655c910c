// Simulated instrument: the thermometer's command interpreter and its state
// (settings, coefficients, correction and probe tables, memory slots, the
// temperature it measures). Pure logic: one command line in, one reply out.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QVector>

#include <cstdint>
#include <functional>

class SimInstrument {
public:
    enum class Model { QZ7732, QZ7731 };

    // First field of every reply.
    enum Status { Ok = 0, UnknownCommand = 1, BadArgument = 2, NotAvailable = 3 };

    explicit SimInstrument(Model model = Model::QZ7732);

    // Answers one command line (without its CR; LFs are ignored; keywords in
    // either case). The reply is one line of comma-separated fields ending in
    // CR, its first field the status. After "X!", "Y!", "Z!", "R!" and "S!" the
    // next line is taken as the value that command announced, whatever it
    // holds. "ME" gives ohms (3 or 4 decimals), thermocouple EMF in microvolts
    // (1 or 2 decimals, the "mV" units) or C, K, F (2 or 3 decimals), for LO or
    // HI resolution.
    QByteArray respond(const QByteArray& commandLine);

    // Clock of the slow temperature drift, in seconds; the default counts from
    // construction.
    void setTimeSource(std::function<double()> secondsSinceStart);
    // Test hook: both channels measure exactly these temperatures (Celsius),
    // without drift or noise, until released.
    void holdTemperatures(double channelA, double channelB);
    void releaseTemperatures();

    Model model() const { return m_model; }
    int units() const { return m_units; }           // 0 ohms or EMF, 1 C, 2 K, 3 F
    int input() const { return m_input; }           // 0 A, 1 B, 2 A-B
    int sensorA() const { return m_sensor[0]; }     // 0 Pt100, 1..8 R S B J T E K N
    int sensorB() const { return m_sensor[1]; }
    int cjcA() const { return m_cjc[0]; }           // 0 internal
    int cjcB() const { return m_cjc[1]; }
    int resolution() const { return m_resolution; } // 0 LO, 1 HI
    int coeffMode() const { return m_coeffMode; }   // 0 OFF, 1 A, 2 B, 3 AB
    int corrMode() const { return m_corrMode; }     // 0 OFF, 1 A, 2 B, 3 AB
    // 'A', 'B', 'C' or 'R' (Rt0); other letters give 0.
    double coefficient(char which) const;
    QVector<QPair<double, double>> correctionTable() const { return m_correction; }
    QVector<QPair<double, double>> probeTable() const { return m_probe; }
    int probeSerial() const { return m_probeSerial; }
    QVector<QVector<double>> memorySlots() const { return m_slots; }
    bool remote() const { return m_remote; }

    // Temperatures (Celsius) of the two channels now, as the next "ME" sees them
    // before noise.
    double temperature(int channel) const;

    static constexpr int MaxTableRows = 10;
    static constexpr int SlotCount = 15;

private:
    using Table = QVector<QPair<double, double>>;
    // What the next line is, after a command that announces a value.
    enum class Pending { None, CoeffA, CoeffB, CoeffC, CoeffR, ProbeSerial };

    QByteArray execute(const QList<QByteArray>& words);
    QByteArray acceptPendingValue(const QByteArray& line);
    QByteArray identify() const;
    QByteArray settingsReply() const;
    QByteArray measure();
    QByteArray coefficientRead(char command) const;
    QByteArray setInput(const QByteArray& arg);
    QByteArray setSensor(const QByteArray& arg);
    QByteArray setUnits(const QByteArray& arg);
    QByteArray setMode(int& mode, const QByteArray& arg);
    QByteArray setTableRow(Table& table, const QList<QByteArray>& words);
    QByteArray listTable(const Table& table) const;
    QByteArray dump(const QList<QByteArray>& words) const;

    int activeChannel() const { return m_input == 1 ? 1 : 0; }
    bool isThermocouple(int channel) const { return m_sensor[channel] != 0; }
    double channelValue(int channel, double celsius) const;
    int decimals() const;
    double noise();

    Model m_model;
    int m_units = 1;
    int m_input = 0;
    int m_sensor[2] = {0, 0};
    int m_cjc[2] = {0, 0};
    int m_resolution = 1;
    int m_coeffMode = 0;
    int m_corrMode = 0;
    double m_coeffA;
    double m_coeffB;
    double m_coeffC;
    double m_coeffR;
    Table m_correction;
    Table m_probe;
    int m_probeSerial = 0;
    QVector<QVector<double>> m_slots;
    bool m_remote = false;
    Pending m_pending = Pending::None;

    std::function<double()> m_clock;
    bool m_held = false;
    double m_heldTemperature[2] = {0.0, 0.0};
    uint32_t m_noiseState = 0x2545F491u;
};
