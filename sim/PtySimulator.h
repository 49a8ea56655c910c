// Simulated instrument on a pseudo-terminal: owns the pty pair, the thread
// that serves it, the SimInstrument behind it, the injected line faults and
// the record of what went over the line.
#pragma once

#include "SimInstrument.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

class PtySimulator : public QObject {
    Q_OBJECT
public:
    enum class Fault {
        None,
        NoReply,    // the command is carried out, its reply never sent
        SplitReply, // each reply in two bursts, splitPauseMs apart
        TwoReplies, // each reply twice in one write
        BadStatus,  // the status field reads "1"
        SlowBytes,  // one byte every byteDelayMs
        NoCR,       // the reply without its final CR
    };

    struct Options {
        SimInstrument::Model model = SimInstrument::Model::QZ7732;
        Fault fault = Fault::None;
        int splitPauseMs = 400;
        int byteDelayMs = 2;
    };

    struct Event {
        enum Kind { CommandFirstByte, CommandLine, ReplyLastByteWritten };
        qint64 steadyNs; // std::chrono::steady_clock, nanoseconds since its epoch
        Kind kind;
        QByteArray text; // the first byte, the command line, or the bytes written
    };

    explicit PtySimulator(QObject* parent = nullptr);
    explicit PtySimulator(const Options& options, QObject* parent = nullptr);
    ~PtySimulator() override;

    // Opens the pty (slave side raw, 38400 baud) and starts serving it on a
    // thread of its own. True when it runs (also when it already did).
    bool start();
    // Ends the thread and closes both sides: the port disappears for its user.
    void stop();
    bool isRunning() const { return m_thread != nullptr; }
    // Path of the slave side, such as /dev/pts/5; stays after stop().
    QString portName() const { return m_portName; }

    // The thread-safe accessors below may be called while the thread serves.
    void setFault(Fault fault); // from the next reply on
    Fault fault() const;
    QList<QByteArray> commands() const; // command lines received, without CR
    QList<Event> events() const;
    void clearEvents();
    SimInstrument snapshot() const;
    // Runs Action on the live instrument while the line waits.
    void withInstrument(const std::function<void(SimInstrument&)>& action);

signals:
    // Emitted from the serving thread once a command line has been carried out.
    void commandReceived(const QByteArray& line);

private:
    void serve();
    void handleLine(const QByteArray& line);
    void sendReply(QByteArray reply, Fault fault);
    bool writeAll(const QByteArray& bytes);
    bool pause(int ms); // false when stop() interrupted it
    void record(Event::Kind kind, const QByteArray& text);
    void closeAll();

    const Options m_options;
    mutable QMutex m_mutex; // guards the four members below
    SimInstrument m_instrument;
    Fault m_fault;
    QList<QByteArray> m_commands;
    QList<Event> m_events;

    QString m_portName;
    QThread* m_thread = nullptr;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1}; // written by stop() to end the thread's waits
};
