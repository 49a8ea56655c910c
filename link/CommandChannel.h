// Link: the command channel, the only path to the instrument. It paces the
// commands (one reply awaited at a time), frames them with CR, assembles
// received blocks into reply lines and hands them to the dispatcher, keeps
// the status panel, and traces all traffic on the Diagnostic page.
#pragma once

#include "ReplyDispatcher.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QCheckBox;
class QEvent;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class SerialLink;

// The controls the channel writes to: the Diagnostic page, the status panel
// and the reply list. Owned by the window.
struct ChannelControls {
    QPlainTextEdit* Terminal = nullptr;
    QLineEdit* SendEdit = nullptr;
    QPushButton* SendBtn = nullptr;
    QCheckBox* CBRecordErrors = nullptr;
    QLineEdit* MaxErrorEdit = nullptr;
    QPlainTextEdit* ErrorMemo = nullptr;
    QWidget* iOnline0 = nullptr; // grey: busy
    QWidget* iOnline1 = nullptr; // green: idle
    QLineEdit* eError = nullptr; // outstanding count
    QListWidget* ListBox1 = nullptr; // ReplyFields
};

class CommandChannel : public QObject {
    Q_OBJECT
public:
    CommandChannel(SerialLink& port, const ChannelControls& controls, QObject* parent = nullptr);

    void setDecoders(ReplyDecoders* decoders) { m_decoders = decoders; }
    // One step of the coefficient upload, run for every block while
    // UploadStep holds an upload marker.
    std::function<void()> AdvanceUpload;

    // Sends one command: waits (at most 30 passes of pumping events and
    // sleeping 100 ms) while a reply is awaited, then traces and transmits
    // command + CR.
    void CommsRequest(const QString& command);
    // Splits, tests and routes one complete reply.
    void DispatchReply(const QByteArray& line);
    void SerialPortNG1ProcessError(quint32 place, quint32 code, const QString& msg);
    static void HexDump(const QByteArray& data, QStringList& lines);

    // Start-up reset: RxLine empty, UploadStep blank, AwaitingReply clear.
    void resetState();

    // Channel state (read by the pages and tests).
    QString LastCommand;
    QByteArray RxLine;
    bool AwaitingReply = false;
    int SendLength = 0;
    QChar UploadStep = QLatin1Char(' ');
    QStringList ReplyFields;
    // Failures raised inside reply handling, newest last (also in ErrorMemo).
    QStringList decodeFailures;

public slots:
    void SerialPortNG1RxClusterEvent();
    void SerialPortNG1WriteDone();
    void SendBtnClick();
    void SendEditKeyPress(QChar key);

protected:
    // Return and Enter in SendEdit become SendEditKeyPress('\r').
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString traceHeader(const char* prefix) const;
    void appendTerminal(const QStringList& lines);
    // Trims ErrorMemo to the number of MaxErrorEdit, then appends the line.
    void appendErrorRecord(const QString& line);
    void showBusy();
    void showIdle();
    int readCount() const;
    void raiseCount();
    void lowerCount();
    // Runs one step of reply handling; a failure is recorded, never passed on.
    void guardReplyHandling(const std::function<void()>& step);
    void recordDecodeFailure(const QString& text);
    void runDecoder(ReplyRoute route);
    void showReplyFields();

    SerialLink& m_port;
    ChannelControls m_ui;
    ReplyDecoders* m_decoders = nullptr;
};
