#include "ScriptedPort.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QWidget>

// --- ScriptedPort ----------------------------------------------------------

ScriptedPort::ScriptedPort(QObject* parent) : SerialLink(parent) {}

void ScriptedPort::SendText(const QByteArray& data)
{
    sent.append(data);
    if (!data.isEmpty()) {
        const Event done{true, qMax(0, int(data.size()) - shortBy)};
        if (writeMode == WriteMode::Immediate)
            raise(done);
        else if (writeMode == WriteMode::Deferred)
            raiseLater(done);
    }
    if (onSend)
        onSend(data);
}

int ScriptedPort::PendingClusterLength() const
{
    return m_clusters.isEmpty() ? -1 : int(m_clusters.first().data.size());
}

int ScriptedPort::PendingClusterHasError() const
{
    return m_clusters.isEmpty() ? 0 : m_clusters.first().errorFlags;
}

QByteArray ScriptedPort::TakeCluster()
{
    return m_clusters.isEmpty() ? QByteArray() : m_clusters.takeFirst().data;
}

void ScriptedPort::receive(const QByteArray& block, int errorFlags)
{
    m_clusters.append({block, errorFlags});
    raise(Event{});
}

void ScriptedPort::post(const QByteArray& block, int errorFlags)
{
    m_clusters.append({block, errorFlags});
    raiseLater(Event{});
}

void ScriptedPort::raise(const Event& event)
{
    m_due.append(event);
    deliver();
}

void ScriptedPort::raiseLater(const Event& event)
{
    QMetaObject::invokeMethod(this, [this, event] { raise(event); }, Qt::QueuedConnection);
}

void ScriptedPort::deliver()
{
    if (m_delivering)
        return; // the outer delivery raises it once the handler returns
    m_delivering = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_delivering};
    while (!m_due.isEmpty()) {
        const Event event = m_due.takeFirst();
        if (event.writeDone) {
            m_writtenBytes = event.writtenBytes;
            emit OnWriteDone();
        } else {
            emit OnRxClusterEvent();
        }
    }
}

// --- RecordingDecoders -----------------------------------------------------

QStringList RecordingDecoders::routes() const
{
    QStringList out;
    for (const Call& c : calls)
        out << c.route;
    return out;
}

void RecordingDecoders::record(const QString& route, QStringList& fields, QChar letter)
{
    calls.append({route, letter, fields});
    if (during)
        during(route, fields);
}

// --- ChannelRig ------------------------------------------------------------

namespace {

QStringList memoLines(const QPlainTextEdit* memo)
{
    QStringList out;
    if (memo->document()->isEmpty())
        return out;
    for (QTextBlock b = memo->document()->firstBlock(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

} // namespace

ChannelRig::ChannelRig() : window(std::make_unique<QWidget>())
{
    QWidget* w = window.get();
    terminal = new QPlainTextEdit(QStringLiteral("Terminal"), w);
    sendEdit = new QLineEdit(QStringLiteral("su"), w);
    sendBtn = new QPushButton(QStringLiteral("Send"), w);
    recordErrors = new QCheckBox(QStringLiteral("CBRecordErrors"), w);
    recordErrors->setChecked(true);
    maxErrorEdit = new QLineEdit(QStringLiteral("999"), w);
    errorMemo = new QPlainTextEdit(QStringLiteral("ErrorMemo"), w);
    online0 = new QWidget(w);
    online1 = new QWidget(w);
    eError = new QLineEdit(QStringLiteral("0"), w);
    eError->setReadOnly(true);
    listBox = new QListWidget(w);

    ChannelControls controls;
    controls.Terminal = terminal;
    controls.SendEdit = sendEdit;
    controls.SendBtn = sendBtn;
    controls.CBRecordErrors = recordErrors;
    controls.MaxErrorEdit = maxErrorEdit;
    controls.ErrorMemo = errorMemo;
    controls.iOnline0 = online0;
    controls.iOnline1 = online1;
    controls.eError = eError;
    controls.ListBox1 = listBox;
    channel = std::make_unique<CommandChannel>(port, controls);
    channel->setDecoders(&decoders);
    channel->resetState();
}

ChannelRig::~ChannelRig()
{
    channel.reset(); // before the widgets it points at
}

QStringList ChannelRig::terminalLines() const
{
    return memoLines(terminal);
}

QStringList ChannelRig::errorLines() const
{
    return memoLines(errorMemo);
}

QStringList ChannelRig::listItems() const
{
    QStringList out;
    for (int i = 0; i < listBox->count(); ++i)
        out << listBox->item(i)->text();
    return out;
}

bool ChannelRig::lampBusy() const
{
    return !online0->isHidden() && online1->isHidden();
}

bool ChannelRig::lampIdle() const
{
    return online0->isHidden() && !online1->isHidden();
}

QString ChannelRig::count() const
{
    return eError->text();
}
