#include "CommandChannel.h"

#include "Clock.h"
#include "Errors.h"
#include "SerialLink.h"
#include "TextUtils.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QWidget>

#include <limits>

namespace {

// Passes of the send wait and the sleep of each: about 3 s at most.
constexpr int WaitPasses = 30;
constexpr int WaitStepMs = 100;
constexpr int CountLimit = 999;
// Records kept when MaxErrorEdit does not hold an integer.
constexpr int DefaultMaxRecords = 256;

// The panel's integer syntax (see StrToInt); false when the text is none.
bool readInteger(const QString& text, int& value)
{
    if (!IsIntInRange(text, INT32_MIN, INT32_MAX))
        return false;
    value = StrToInt(text);
    return true;
}

bool isUploadMarker(QChar step)
{
    return QStringLiteral("&RXYZryz").contains(step);
}

int lineCount(const QPlainTextEdit& memo)
{
    return memo.document()->isEmpty() ? 0 : memo.document()->blockCount();
}

void deleteFirstLine(QPlainTextEdit& memo)
{
    QTextDocument* doc = memo.document();
    if (doc->blockCount() <= 1) {
        memo.clear();
        return;
    }
    QTextCursor cursor(doc->firstBlock());
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace

CommandChannel::CommandChannel(SerialLink& port, const ChannelControls& controls, QObject* parent)
    : QObject(parent), m_port(port), m_ui(controls)
{
    // The trace only grows; undo history would keep a second copy of it.
    if (m_ui.Terminal)
        m_ui.Terminal->setUndoRedoEnabled(false);
    if (m_ui.ErrorMemo)
        m_ui.ErrorMemo->setUndoRedoEnabled(false);

    connect(&m_port, &SerialLink::OnRxClusterEvent, this,
            &CommandChannel::SerialPortNG1RxClusterEvent);
    connect(&m_port, &SerialLink::OnWriteDone, this, &CommandChannel::SerialPortNG1WriteDone);
    if (m_ui.SendBtn)
        connect(m_ui.SendBtn, &QPushButton::clicked, this, &CommandChannel::SendBtnClick);
    if (m_ui.SendEdit)
        m_ui.SendEdit->installEventFilter(this);
}

void CommandChannel::resetState()
{
    RxLine.clear();
    UploadStep = QLatin1Char(' ');
    AwaitingReply = false;
}

// --- sending ---------------------------------------------------------------

void CommandChannel::CommsRequest(const QString& command)
{
    // Let the reply to the previous command in: received blocks, timers and
    // clicks are handled here, and may send themselves.
    for (int pass = 0; pass < WaitPasses && AwaitingReply; ++pass) {
        pumpEvents();
        appClock().sleep(WaitStepMs);
    }

    appendTerminal({traceHeader("Snd "), command});
    if (m_ui.SendBtn)
        m_ui.SendBtn->setEnabled(false);
    LastCommand = command + QLatin1Char('\r');
    const QByteArray bytes = LastCommand.toLatin1();
    SendLength = int(bytes.size());
    // A write that ends at once reports its completion inside this call.
    m_port.SendText(bytes);
    showBusy();
    raiseCount();
    AwaitingReply = true;
}

void CommandChannel::SerialPortNG1WriteDone()
{
    if (m_port.WrittenBytes() != SendLength)
        SerialPortNG1ProcessError(1, 0, QStringLiteral("Not all Bytes send"));
    if (m_ui.SendBtn)
        m_ui.SendBtn->setEnabled(true);
}

void CommandChannel::SerialPortNG1ProcessError(quint32 place, quint32 code, const QString& msg)
{
    if (m_ui.CBRecordErrors && m_ui.CBRecordErrors->isChecked())
        appendErrorRecord(traceHeader("Msg  ")
                          + QString::asprintf("Code %d at %d Text: ", int(code), int(place)) + msg);
    if (m_ui.SendBtn)
        m_ui.SendBtn->setEnabled(true);
}

void CommandChannel::SendBtnClick()
{
    if (m_ui.SendEdit && !m_ui.SendEdit->text().isEmpty())
        CommsRequest(m_ui.SendEdit->text());
}

void CommandChannel::SendEditKeyPress(QChar key)
{
    // Enter sends even while SendBtn is disabled by a write in flight.
    if (key == QLatin1Char('\r'))
        SendBtnClick();
}

bool CommandChannel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui.SendEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SendEditKeyPress(QLatin1Char('\r'));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- receiving -------------------------------------------------------------

void CommandChannel::SerialPortNG1RxClusterEvent()
{
    if (m_port.PendingClusterLength() < 0)
        return;
    const bool lineError = m_port.PendingClusterHasError() != 0;
    const QByteArray block = m_port.TakeCluster();
    QStringList trace{traceHeader(lineError ? "RecX " : "Rec  ")};
    HexDump(block, trace);
    appendTerminal(trace);

    if (isUploadMarker(UploadStep)) {
        // Every block is one upload step, whatever it holds; nothing is
        // dispatched and RxLine and AwaitingReply stay as they are.
        guardReplyHandling([this] {
            if (AdvanceUpload)
                AdvanceUpload();
        });
        showIdle();
        lowerCount();
        return;
    }

    RxLine += block;
    // Only a final CR completes a line; CR LF leaves it waiting.
    if (block.isEmpty() || block.back() != '\r')
        return;

    // The dispatcher gets its own copy: a handler that pumps events must not
    // change the text under it.
    const QByteArray line = RxLine;
    guardReplyHandling([this, &line] { DispatchReply(line); });
    RxLine.clear();
    showIdle();
    lowerCount();
    AwaitingReply = false;
}

void CommandChannel::guardReplyHandling(const std::function<void()>& step)
{
    try {
        step();
    } catch (const PanelError& e) {
        recordDecodeFailure(e.text());
    } catch (const std::exception& e) {
        recordDecodeFailure(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        recordDecodeFailure(QStringLiteral("unknown failure"));
    }
}

void CommandChannel::recordDecodeFailure(const QString& text)
{
    // Kept whatever CBRecordErrors says: a reply that could not be decoded is
    // worth seeing even when write errors are not.
    decodeFailures.append(text);
    appendErrorRecord(traceHeader("Msg  ") + QStringLiteral("Reply not decoded: ") + text);
}

// --- trace and status panel ------------------------------------------------

void CommandChannel::HexDump(const QByteArray& data, QStringList& lines)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    for (int start = 0; start < data.size(); start += 8) {
        const int count = int(qMin<qsizetype>(8, data.size() - start));
        QString line;
        line.reserve(35);
        for (int i = 0; i < 8; ++i) {
            if (i < count) {
                const uchar b = uchar(data[start + i]);
                line += QLatin1Char(' ');
                line += QLatin1Char(hexDigits[b >> 4]);
                line += QLatin1Char(hexDigits[b & 0x0F]);
            } else {
                line += QLatin1String("   ");
            }
        }
        line += QLatin1String(" : ");
        for (int i = 0; i < 8; ++i) {
            if (i < count) {
                const uchar b = uchar(data[start + i]);
                line += (b < 32 || b == 127) ? QLatin1Char('.') : QLatin1Char(char(b));
            } else {
                line += QLatin1Char(' ');
            }
        }
        lines.append(line);
    }
}

QString CommandChannel::traceHeader(const char* prefix) const
{
    return QLatin1String(prefix) + appClock().now().toString(QStringLiteral("dd.MM.yy hh:mm:ss"))
           + QLatin1String(" :");
}

void CommandChannel::appendTerminal(const QStringList& lines)
{
    if (m_ui.Terminal && !lines.isEmpty())
        m_ui.Terminal->appendPlainText(lines.join(QLatin1Char('\n')));
}

void CommandChannel::appendErrorRecord(const QString& line)
{
    if (!m_ui.ErrorMemo)
        return;
    int keep = DefaultMaxRecords;
    if (m_ui.MaxErrorEdit && !readInteger(m_ui.MaxErrorEdit->text(), keep))
        keep = DefaultMaxRecords;
    keep = qMax(keep, 0); // a negative limit keeps nothing
    while (lineCount(*m_ui.ErrorMemo) > keep)
        deleteFirstLine(*m_ui.ErrorMemo);
    m_ui.ErrorMemo->appendPlainText(line);
}

void CommandChannel::showBusy()
{
    if (m_ui.iOnline0)
        m_ui.iOnline0->setVisible(true);
    if (m_ui.iOnline1)
        m_ui.iOnline1->setVisible(false);
}

void CommandChannel::showIdle()
{
    if (m_ui.iOnline1)
        m_ui.iOnline1->setVisible(true);
    if (m_ui.iOnline0)
        m_ui.iOnline0->setVisible(false);
}

int CommandChannel::readCount() const
{
    int count = 0;
    if (!m_ui.eError || !readInteger(m_ui.eError->text(), count))
        return 0;
    return count;
}

void CommandChannel::raiseCount()
{
    if (!m_ui.eError)
        return;
    int count = readCount();
    if (count < CountLimit)
        ++count;
    m_ui.eError->setText(QString::number(count));
}

void CommandChannel::lowerCount()
{
    if (!m_ui.eError)
        return;
    int count = readCount();
    if (count > 0)
        --count;
    m_ui.eError->setText(QString::number(count));
}
