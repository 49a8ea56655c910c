// The command channel: pacing and framing of commands, assembling received
// blocks into replies, the status panel, the trace and the error log.
#include "Errors.h"
#include "ScriptedPort.h"
#include "TestDoubles.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const QString Stamp = QStringLiteral("09.12.13 14:05:33");
}

class TestChannel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sendTracesFramesAndCounts_data();
    void sendTracesFramesAndCounts();
    void traceHeaderUses24HourClock();
    void hexDump_data();
    void hexDump();

    void replyInTwoBlocksIsDispatchedOnce();
    void twoRepliesInOneBlockAreOneDispatch();
    void blockEndingInLineFeedWaits();
    void lineErrorBlockIsTracedAndDispatched_data();
    void lineErrorBlockIsTracedAndDispatched();
    void missingAndEmptyBlocks();
    void countStaysWithinItsRange_data();
    void countStaysWithinItsRange();

    void sendWaitsForTheQueuedReply();
    void sendWaitsForTheQueuedReplyInRealTime();
    void lateReplyIsTakenForTheNewerCommand();
    void sendFromInsideABlockHandlerWaitsAllPasses();
    void resetStateEndsTheWait();

    void errorMemoIsTrimmed_data();
    void errorMemoIsTrimmed();
    void shortWriteIsRecorded();
    void recordingOffStillEnablesSend();
    void sendButtonFollowsTheWrite();
    void manualSend();

    void decoderFailureDoesNotStopReception();
    void uploadMarkersDivertBlocks_data();
    void uploadMarkersDivertBlocks();
    void uploadFailureDoesNotStopTheUpload();

private:
    CommandChannel& channel() { return *m_rig->channel; }
    QStringList lastTerminalLines(int n) const
    {
        const QStringList lines = m_rig->terminalLines();
        return lines.mid(lines.size() - n);
    }

    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<ScopedClock> m_scopedClock;
    std::unique_ptr<ChannelRig> m_rig;
};

void TestChannel::init()
{
    m_clock = std::make_unique<PinnedClock>(QDateTime(QDate(2013, 12, 9), QTime(14, 5, 33)));
    m_scopedClock = std::make_unique<ScopedClock>(m_clock.get());
    m_rig = std::make_unique<ChannelRig>();
}

void TestChannel::cleanup()
{
    m_rig.reset();
    m_scopedClock.reset();
    m_clock.reset();
}

// --- sending and the trace -------------------------------------------------

void TestChannel::sendTracesFramesAndCounts_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("setting") << "UN K" << QByteArray("UN K\r");
    QTest::newRow("kept as typed") << " su " << QByteArray(" su \r");
    QTest::newRow("empty") << "" << QByteArray("\r");
    QTest::newRow("Latin-1") << "E1 \u00B0" << QByteArray("E1 \xB0\r");
}

void TestChannel::sendTracesFramesAndCounts()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);

    channel().CommsRequest(command);

    QCOMPARE(m_rig->terminalLines(),
             (QStringList{"Terminal", "Snd " + Stamp + " :", command}));
    QCOMPARE(m_rig->port.sent, QList<QByteArray>{bytes});
    QCOMPARE(channel().LastCommand, command + '\r');
    QCOMPARE(channel().SendLength, bytes.size());
    QVERIFY(channel().AwaitingReply);
    QVERIFY(m_rig->lampBusy());
    QCOMPARE(m_rig->count(), "1");
    QCOMPARE(m_clock->sleptMs, 0); // nothing awaited: no wait
}

void TestChannel::traceHeaderUses24HourClock()
{
    m_clock->set(QDateTime(QDate(2013, 1, 5), QTime(23, 7, 9)));
    m_rig->port.receive("0\r", 0);
    QCOMPARE(m_rig->terminalLines().at(1), "Rec  05.01.13 23:07:09 :");
}

void TestChannel::hexDump_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("7 bytes") << QByteArray("0 12.5\r")
                             << QStringList{" 30 20 31 32 2E 35 0D    : 0 12.5. "};
    QTest::newRow("8 bytes") << QByteArray("ABCDEFG\n")
                             << QStringList{" 41 42 43 44 45 46 47 0A : ABCDEFG."};
    QTest::newRow("9 bytes") << QByteArray("012345678")
                             << QStringList{" 30 31 32 33 34 35 36 37 : 01234567",
                                            " 38                      : 8       "};
    QTest::newRow("control, DEL and high bytes")
        << QByteArray("\x00\x1F\x20\x7E\x7F\x80\xB0\xFF", 8)
        << QStringList{" 00 1F 20 7E 7F 80 B0 FF : .. ~.\u0080\u00B0\u00FF"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void TestChannel::hexDump()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, lines);

    QStringList out{"kept"};
    CommandChannel::HexDump(data, out);
    QCOMPARE(out, QStringList{"kept"} + lines);
    for (const QString& line : lines)
        QCOMPARE(line.size(), 35);
}

// --- receiving ---------------------------------------------------------------

void TestChannel::replyInTwoBlocksIsDispatchedOnce()
{
    channel().CommsRequest("ME");
    m_rig->port.receive("0 12.");

    QVERIFY(m_rig->decoders.calls.isEmpty());
    QCOMPARE(channel().RxLine, QByteArray("0 12."));
    QVERIFY(m_rig->lampBusy());
    QCOMPARE(m_rig->count(), "1");
    QVERIFY(channel().AwaitingReply);

    m_rig->port.receive("5\r");
    QCOMPARE(m_rig->decoders.routes(), QStringList{"Measurement"});
    QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "12.5"}));
    QVERIFY(channel().RxLine.isEmpty());
    QVERIFY(m_rig->lampIdle());
    QCOMPARE(m_rig->count(), "0");
    QVERIFY(!channel().AwaitingReply);

    QCOMPARE(lastTerminalLines(4), (QStringList{
                                       "Rec  " + Stamp + " :",
                                       " 30 20 31 32 2E          : 0 12.   ",
                                       "Rec  " + Stamp + " :",
                                       " 35 0D                   : 5.      ",
                                   }));
}

void TestChannel::twoRepliesInOneBlockAreOneDispatch()
{
    channel().CommsRequest("ME");
    m_rig->port.receive("0 1\r0 2\r");
    QCOMPARE(m_rig->decoders.calls.size(), 1);
    QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "1", "0", "2"}));
}

void TestChannel::blockEndingInLineFeedWaits()
{
    channel().CommsRequest("ME");
    m_rig->port.receive("0 1\r\n");
    QVERIFY(m_rig->decoders.calls.isEmpty());
    QCOMPARE(channel().RxLine, QByteArray("0 1\r\n"));
    QVERIFY(channel().AwaitingReply);

    // The waiting text goes in front of the next reply.
    m_rig->port.receive("0 2\r");
    QCOMPARE(m_rig->decoders.calls.size(), 1);
    QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "1", "0", "2"}));
}

void TestChannel::lineErrorBlockIsTracedAndDispatched_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("clean") << 0 << "Rec  ";
    QTest::newRow("framing") << 8 << "RecX ";
    QTest::newRow("overrun") << 1 << "RecX ";
}

void TestChannel::lineErrorBlockIsTracedAndDispatched()
{
    QFETCH(int, flags);
    QFETCH(QString, prefix);

    channel().CommsRequest("ME");
    m_rig->port.receive("0 5\r", flags);
    QCOMPARE(lastTerminalLines(2),
             (QStringList{prefix + Stamp + " :", " 30 20 35 0D             : 0 5.    "}));
    QCOMPARE(m_rig->decoders.routes(), QStringList{"Measurement"});
}

void TestChannel::missingAndEmptyBlocks()
{
    channel().CommsRequest("ME");
    m_rig->port.receive("0 1");
    const QStringList before = m_rig->terminalLines();

    // An event with no block waiting traces nothing.
    emit m_rig->port.OnRxClusterEvent();
    QCOMPARE(m_rig->terminalLines(), before);

    // An empty block: traced by its header, and the line stays open.
    m_rig->port.receive(QByteArray());
    QCOMPARE(m_rig->terminalLines(), before + QStringList{"Rec  " + Stamp + " :"});
    QCOMPARE(channel().RxLine, QByteArray("0 1"));
    QVERIFY(m_rig->decoders.calls.isEmpty());
    QVERIFY(channel().AwaitingReply);
    QCOMPARE(m_rig->count(), "1");
}

void TestChannel::countStaysWithinItsRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("send");
    QTest::addColumn<QString>("after");

    QTest::newRow("send at 999") << "999" << true << "999";
    QTest::newRow("send at 998") << "998" << true << "999";
    QTest::newRow("send, unreadable count") << "many" << true << "1";
    QTest::newRow("reply at 0") << "0" << false << "0";
    QTest::newRow("reply at 5") << "5" << false << "4";
}

void TestChannel::countStaysWithinItsRange()
{
    QFETCH(QString, start);
    QFETCH(bool, send);
    QFETCH(QString, after);

    m_rig->eError->setText(start);
    if (send)
        channel().CommsRequest("ME");
    else
        m_rig->port.receive("0 1\r");
    QCOMPARE(m_rig->count(), after);
}

// --- pacing ------------------------------------------------------------------

void TestChannel::sendWaitsForTheQueuedReply()
{
    // The instrument answers every command; the answer comes in through the
    // event loop, as from the port.
    m_rig->port.onSend = [this](const QByteArray&) { m_rig->port.post("0 1 2\r"); };
    channel().CommsRequest("ID");
    channel().CommsRequest("SU");
    channel().CommsRequest("ME");

    // Each wait pumps once, sees the reply, and ends after one sleep.
    QCOMPARE(m_clock->sleptMs, 200);
    QCOMPARE(m_rig->decoders.routes(), (QStringList{"Id", "Setup"}));
    QCOMPARE(m_rig->count(), "1");
}

void TestChannel::sendWaitsForTheQueuedReplyInRealTime()
{
    m_scopedClock.reset(); // the system clock: real sleeps
    m_rig->port.onSend = [this](const QByteArray&) { m_rig->port.post("0 1\r"); };
    channel().CommsRequest("ME");

    QElapsedTimer timer;
    timer.start();
    channel().CommsRequest("SU");
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 90 && elapsed < 1500, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_rig->decoders.routes(), QStringList{"Measurement"});
}

void TestChannel::lateReplyIsTakenForTheNewerCommand()
{
    channel().CommsRequest("ME"); // never answered in time
    channel().CommsRequest("SU");

    QCOMPARE(m_clock->sleptMs, 3000);
    QCOMPARE(m_rig->port.sent, (QList<QByteArray>{"ME\r", "SU\r"}));
    QCOMPARE(m_rig->count(), "2");
    QVERIFY(m_rig->lampBusy());

    m_rig->port.receive("0 21.5\r");
    QCOMPARE(m_rig->decoders.routes(), QStringList{"Setup"});
    QCOMPARE(m_rig->count(), "1");
}

void TestChannel::sendFromInsideABlockHandlerWaitsAllPasses()
{
    m_rig->decoders.during = [this](const QString&, QStringList&) {
        // A reply is already in the queue, but no block is delivered while
        // this one is handled.
        m_rig->port.post("0 9\r");
        channel().CommsRequest("LO");
    };
    channel().CommsRequest("ME");
    m_rig->port.receive("0 5\r");

    QCOMPARE(m_clock->sleptMs, 3000);
    QCOMPARE(m_rig->port.sent, (QList<QByteArray>{"ME\r", "LO\r"}));
    QCOMPARE(channel().LastCommand, "LO\r");
    QCOMPARE(m_rig->decoders.calls.size(), 1);

    // The queued block came once the handler had returned, as the answer to
    // "LO"; each completed line took one off the count.
    const QStringList trace = m_rig->terminalLines().mid(1);
    QCOMPARE(trace.size(), 8);
    QCOMPARE(trace.at(4), "Snd 09.12.13 14:05:36 :"); // 3 s later
    QCOMPARE(trace.at(5), "LO");
    QCOMPARE(trace.at(6), "Rec  09.12.13 14:05:36 :");
    QCOMPARE(channel().ReplyFields, (QStringList{"0", "9"}));
    QCOMPARE(m_rig->count(), "0");
    QVERIFY(!channel().AwaitingReply);
}

void TestChannel::resetStateEndsTheWait()
{
    channel().CommsRequest("ME");
    m_rig->port.receive("0 1");
    channel().UploadStep = QLatin1Char('X');

    channel().resetState();
    QVERIFY(channel().RxLine.isEmpty());
    QCOMPARE(channel().UploadStep, QLatin1Char(' '));
    QVERIFY(!channel().AwaitingReply);

    channel().CommsRequest("SU");
    QCOMPARE(m_clock->sleptMs, 0);
    m_rig->port.receive("0 2\r");
    QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "2"}));
}

// --- write completion and the error log --------------------------------------

void TestChannel::errorMemoIsTrimmed_data()
{
    QTest::addColumn<QString>("max");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("3 of 5") << "3" << 5 << 4;
    QTest::newRow("room left") << "999" << 5 << 6;
    QTest::newRow("not a number") << "abc" << 300 << 257;
    QTest::newRow("not a number, room left") << "abc" << 10 << 11;
    QTest::newRow("trailing blank") << "3 " << 300 << 257;
    QTest::newRow("hexadecimal") << "$3" << 5 << 4;
    QTest::newRow("0") << "0" << 5 << 1;
    QTest::newRow("negative") << "-2" << 5 << 1;
}

void TestChannel::errorMemoIsTrimmed()
{
    QFETCH(QString, max);
    QFETCH(int, before);
    QFETCH(int, after);

    m_rig->errorMemo->clear();
    for (int i = 0; i < before; ++i)
        m_rig->errorMemo->appendPlainText(QStringLiteral("old %1").arg(i));
    m_rig->maxErrorEdit->setText(max);

    channel().SerialPortNG1ProcessError(1, 0, "Not all Bytes send");

    const QStringList lines = m_rig->errorLines();
    QCOMPARE(lines.size(), after);
    // The oldest lines went; the newest old one stays right before the record.
    if (after > 1)
        QCOMPARE(lines.at(after - 2), QStringLiteral("old %1").arg(before - 1));
    QCOMPARE(lines.last(), "Msg  " + Stamp + " :Code 0 at 1 Text: Not all Bytes send");
}

void TestChannel::shortWriteIsRecorded()
{
    m_rig->port.shortBy = 1;
    channel().CommsRequest("SU");
    QCOMPARE(m_rig->errorLines(), (QStringList{
                                      "ErrorMemo",
                                      "Msg  " + Stamp + " :Code 0 at 1 Text: Not all Bytes send",
                                  }));
    QVERIFY(m_rig->sendBtn->isEnabled());

    // A complete write records nothing.
    m_rig->port.shortBy = 0;
    channel().CommsRequest("SU");
    QCOMPARE(m_rig->errorLines().size(), 2);
}

void TestChannel::recordingOffStillEnablesSend()
{
    m_rig->recordErrors->setChecked(false);
    m_rig->port.writeMode = ScriptedPort::WriteMode::Deferred;
    m_rig->port.shortBy = 2;
    channel().CommsRequest("SU");
    QVERIFY(!m_rig->sendBtn->isEnabled());

    QCoreApplication::processEvents(); // the write ends
    QVERIFY(m_rig->sendBtn->isEnabled());
    QCOMPARE(m_rig->errorLines(), QStringList{"ErrorMemo"});
}

void TestChannel::sendButtonFollowsTheWrite()
{
    m_rig->port.writeMode = ScriptedPort::WriteMode::Deferred;
    channel().CommsRequest("SU");
    QVERIFY(!m_rig->sendBtn->isEnabled());
    QCoreApplication::processEvents();
    QVERIFY(m_rig->sendBtn->isEnabled());

    // A write that cannot start leaves the button off.
    m_rig->port.writeMode = ScriptedPort::WriteMode::Never;
    channel().resetState();
    channel().CommsRequest("SU");
    QCoreApplication::processEvents();
    QVERIFY(!m_rig->sendBtn->isEnabled());
    QCOMPARE(m_rig->errorLines(), QStringList{"ErrorMemo"});
}

void TestChannel::manualSend()
{
    // The button sends the edit's text, which stays.
    QTest::mouseClick(m_rig->sendBtn, Qt::LeftButton);
    QCOMPARE(m_rig->port.sent, QList<QByteArray>{"su\r"});
    QCOMPARE(m_rig->sendEdit->text(), "su");

    // Nothing to send.
    m_rig->sendEdit->clear();
    m_rig->sendBtn->click();
    QTest::keyClick(m_rig->sendEdit, Qt::Key_Return);
    QCOMPARE(m_rig->port.sent.size(), 1);

    // A write that never ends leaves the button off; Enter still sends, other
    // keys only type.
    m_rig->port.writeMode = ScriptedPort::WriteMode::Never;
    m_rig->sendEdit->setText("me");
    m_rig->sendBtn->click();
    QVERIFY(!m_rig->sendBtn->isEnabled());
    QTest::keyClick(m_rig->sendEdit, Qt::Key_A);
    QCOMPARE(m_rig->sendEdit->text(), "mea");
    QTest::keyClick(m_rig->sendEdit, Qt::Key_Return);
    QTest::keyClick(m_rig->sendEdit, Qt::Key_Enter);
    QCOMPARE(m_rig->port.sent, (QList<QByteArray>{"su\r", "me\r", "mea\r", "mea\r"}));
    QCOMPARE(m_rig->sendEdit->text(), "mea");
}

// --- failures and the upload ---------------------------------------------------

void TestChannel::decoderFailureDoesNotStopReception()
{
    m_rig->recordErrors->setChecked(false); // failures are recorded regardless
    m_rig->decoders.during = [](const QString& route, QStringList& fields) {
        if (route == "Measurement")
            fieldAt(fields, 5);
    };
    channel().CommsRequest("ME");
    m_rig->port.receive("0 21.5\r");

    QCOMPARE(channel().decodeFailures.size(), 1);
    QVERIFY(channel().decodeFailures.first().contains("field 5"));
    QCOMPARE(m_rig->errorLines().last(),
             "Msg  " + Stamp + " :Reply not decoded: " + channel().decodeFailures.first());
    QVERIFY(channel().RxLine.isEmpty());
    QVERIFY(m_rig->lampIdle());
    QCOMPARE(m_rig->count(), "0");
    QVERIFY(!channel().AwaitingReply);

    channel().CommsRequest("SU");
    QCOMPARE(m_clock->sleptMs, 0);
    m_rig->port.receive("0 1 2\r");
    QCOMPARE(m_rig->decoders.routes(), (QStringList{"Measurement", "Setup"}));
    QCOMPARE(channel().decodeFailures.size(), 1);
}

void TestChannel::uploadMarkersDivertBlocks_data()
{
    QTest::addColumn<QChar>("step");
    QTest::addColumn<bool>("upload");

    for (char c : QByteArray("&RXYZryz"))
        QTest::addRow("'%c'", c) << QChar(QLatin1Char(c)) << true;
    QTest::newRow("'x'") << QChar('x') << false;
    QTest::newRow("'A'") << QChar('A') << false;
    QTest::newRow("blank") << QChar(' ') << false;
}

void TestChannel::uploadMarkersDivertBlocks()
{
    QFETCH(QChar, step);
    QFETCH(bool, upload);

    int steps = 0;
    channel().AdvanceUpload = [&] {
        ++steps;
        channel().CommsRequest("X!"); // each step sends one command
    };
    channel().CommsRequest("X@");
    m_rig->port.receive("0 1"); // part of a reply waits in RxLine
    channel().UploadStep = step;

    // An error reply and a partial one: each block is one step.
    m_rig->port.receive("1\r");
    m_rig->port.receive("0 ");
    if (!upload) {
        // Ordinary reception: the waiting text and the first block make one reply.
        QCOMPARE(steps, 0);
        QCOMPARE(m_rig->decoders.routes(), QStringList{"Coefficient"});
        QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "11"}));
        QCOMPARE(channel().RxLine, QByteArray("0 "));
        return;
    }
    QCOMPARE(steps, 2);
    QVERIFY(m_rig->decoders.calls.isEmpty());
    QCOMPARE(channel().RxLine, QByteArray("0 1"));
    QVERIFY(channel().AwaitingReply);
    QVERIFY(m_rig->lampIdle());
    QCOMPARE(m_rig->count(), "1"); // each step sent one and took one
    QCOMPARE(m_rig->terminalLines().filter(QRegularExpression("^Rec  ")).size(), 3);
}

void TestChannel::uploadFailureDoesNotStopTheUpload()
{
    int steps = 0;
    channel().AdvanceUpload = [&] {
        if (++steps == 1)
            throw std::runtime_error("upload step failed");
    };
    channel().UploadStep = QLatin1Char('&');
    m_rig->eError->setText("2");
    m_rig->port.receive("0\r");
    m_rig->port.receive("0\r");

    QCOMPARE(steps, 2);
    QCOMPARE(channel().decodeFailures, QStringList{"upload step failed"});
    QCOMPARE(m_rig->count(), "0");
    QVERIFY(m_rig->lampIdle());
}

QTEST_MAIN(TestChannel)
#include "tst_channel.moc"
