// A serial port played by the test, and the command channel's controls built
// around it.
#pragma once

#include "CommandChannel.h"
#include "SerialLink.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// Records what is sent and delivers the blocks the test gives it. Like the
// real component, it raises one OnRxClusterEvent per block, in order, and
// never while a block or a write completion is being handled: an event that
// falls due meanwhile is raised after the running handler has returned.
class ScriptedPort : public SerialLink {
    Q_OBJECT
public:
    enum class WriteMode {
        Immediate, // OnWriteDone inside SendText
        Deferred,  // OnWriteDone from the event loop
        Never,     // the write cannot start: no OnWriteDone
    };

    explicit ScriptedPort(QObject* parent = nullptr);

    void SendText(const QByteArray& data) override;
    int WrittenBytes() const override { return m_writtenBytes; }
    int PendingClusterLength() const override;
    int PendingClusterHasError() const override;
    QByteArray TakeCluster() override;
    bool Active() const override { return active; }

    // A block arrives now (its event is raised at once unless a handler runs).
    void receive(const QByteArray& block, int errorFlags = 0);
    // A block arrives once the event loop runs (for instance inside the wait
    // of a send).
    void post(const QByteArray& block, int errorFlags = 0);
    // Blocks not yet taken.
    int pendingBlocks() const { return int(m_clusters.size()); }

    // Every SendText, in order.
    QList<QByteArray> sent;
    WriteMode writeMode = WriteMode::Immediate;
    // Bytes each write falls short by (WrittenBytes = size - shortBy).
    int shortBy = 0;
    bool active = true;
    // Called after each SendText has been recorded: the test's instrument.
    std::function<void(const QByteArray& data)> onSend;

private:
    struct Cluster {
        QByteArray data;
        int errorFlags = 0;
    };
    struct Event {
        bool writeDone = false;
        int writtenBytes = 0;
    };
    void raise(const Event& event);
    void raiseLater(const Event& event);
    void deliver();

    QList<Cluster> m_clusters;
    QList<Event> m_due;
    bool m_delivering = false;
    int m_writtenBytes = 0;
};

// Decoders that record each call: the route name, the coefficient letter and
// the fields handed over. A test may act inside a call through `during`.
class RecordingDecoders : public ReplyDecoders {
public:
    struct Call {
        QString route;
        QChar letter;
        QStringList fields;
    };
    QList<Call> calls;
    std::function<void(const QString& route, QStringList& fields)> during;

    QStringList routes() const;

    void decodeId(QStringList& f) override { record(QStringLiteral("Id"), f); }
    void decodeSetup(QStringList& f) override { record(QStringLiteral("Setup"), f); }
    void decodeMeasurement(QStringList& f) override { record(QStringLiteral("Measurement"), f); }
    void decodeCoefficient(QChar c1, QStringList& f) override
    {
        record(QStringLiteral("Coefficient"), f, c1);
    }
    void decodeCorrectionTable(QStringList& f) override
    {
        record(QStringLiteral("CorrectionTable"), f);
    }
    void decodeProbeTable(QStringList& f) override { record(QStringLiteral("ProbeTable"), f); }
    void decodeProbeSerial(QStringList& f) override { record(QStringLiteral("ProbeSerial"), f); }
    void decodeMemoryCounts(QStringList& f) override { record(QStringLiteral("MemoryCounts"), f); }
    void decodeMemoryLine(QStringList& f) override { record(QStringLiteral("MemoryLine"), f); }

private:
    void record(const QString& route, QStringList& fields, QChar letter = QChar());
};

// The Diagnostic page, status panel and reply list with the texts the window
// starts with, a scripted port, and a channel wired to them.
class ChannelRig {
public:
    ChannelRig();
    ~ChannelRig();

    QStringList terminalLines() const;
    QStringList errorLines() const;
    QStringList listItems() const;
    // Lamp: iOnline0 shown and iOnline1 hidden.
    bool lampBusy() const;
    bool lampIdle() const;
    QString count() const;

    std::unique_ptr<QWidget> window;
    QPlainTextEdit* terminal = nullptr;
    QLineEdit* sendEdit = nullptr;
    QPushButton* sendBtn = nullptr;
    QCheckBox* recordErrors = nullptr;
    QLineEdit* maxErrorEdit = nullptr;
    QPlainTextEdit* errorMemo = nullptr;
    QWidget* online0 = nullptr;
    QWidget* online1 = nullptr;
    QLineEdit* eError = nullptr;
    QListWidget* listBox = nullptr;

    ScriptedPort port;
    RecordingDecoders decoders;
    std::unique_ptr<CommandChannel> channel;
};
