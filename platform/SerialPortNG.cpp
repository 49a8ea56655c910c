// The serial port: opening and closing, block forming, one-at-a-time delivery
// and writes with a time-out. Settings storage is in SerialPortNGSettings.cpp.
//
// Everything runs on the thread that owns the object (the GUI thread). A 5 ms
// poll timer drains QSerialPort and applies the block-closing rule; blocks and
// write completions wait in one FIFO of events that is emitted one at a time
// and never re-entrantly. While a handler runs (even one that pumps events),
// a second poll timer keeps reading and forming blocks; they are emitted after
// the handler has returned, in order. No user code ever runs inside a
// QSerialPort signal (Qt drops nested readyRead/bytesWritten emissions).
//
// Stored values that have no effect on the port here:
//   XONLimDiv, XOFFLimDiv  the kernel chooses its own flow-control thresholds
//   EventChar              no event-character notification exists here
//   TxQueueSize            the write buffer of QSerialPort has no size limit
//   ErrorNoise             the component raises no error event
//   StopBits 1 (1.5)       accepted, but Linux has no 1.5 stop bits (one
//                          stop bit is sent)
// On Windows, in addition: XONChar, XOFFChar, ParityErrorReplacement and
// ParityErrorChar (termios only), and line-error flags (always 0).
// A pseudo-terminal always runs 8 data bits without parity, and refuses RTS,
// DTR and line-error counters; those refusals are ignored.

#include "SerialPortNG.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <deque>
#include <utility>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {
constexpr int kPollIntervalMs = 5;
constexpr int kBlockEvent = -1; // event queue entry for a block; >= 0 is a write's byte count

enum LineError {
    ErrRxOver = 0x01,
    ErrOverrun = 0x02,
    ErrParity = 0x04,
    ErrFrame = 0x08,
    ErrBreak = 0x10,
};

QString systemName(const QString& name)
{
#ifdef Q_OS_WIN
    return name;
#else
    // Port lists give bare names such as "ttyUSB0".
    if (!name.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + name;
    return name;
#endif
}
} // namespace

struct TSerialPortNG::Impl {
    explicit Impl(TSerialPortNG* owner);

    TSerialPortNG* q;
    QSerialPort port;
    QTimer pollTimer;
    QTimer nestedPollTimer; // polls while a handler runs inside a poll
    QTimer deliverSoon;
    QTimer writeTimer;
    QElapsedTimer clock;
    bool open = false;
    quint64 generation = 0; // bumped by every open and close

    // Receiving.
    QByteArray pending;     // bytes waiting, not yet a block
    int pendingFlags = 0;   // line errors seen since the last block
    qint64 lastEmptyUs = 0; // when no byte was last seen waiting
    int markState = 0;      // parity-mark decoder: 0 plain, 1 after 0xFF, 2 after 0xFF 0x00
    struct Block {
        QByteArray data;
        int flags;
    };
    std::deque<Block> blocks;

    // Delivery.
    std::deque<int> events;
    bool delivering = false;

    // Writing.
    bool writing = false;
    qint64 writeTotal = 0;
    std::deque<QByteArray> txQueue;
    int writtenBytes = 0;

#ifdef Q_OS_LINUX
    bool countersWork = false;
    serial_icounter_struct counters{};
#endif

    const Settings& s() const
    {
        return q->m_settings;
    }
    qint64 nowUs() const
    {
        return clock.nsecsElapsed() / 1000;
    }

    bool openPort();
    void closePort();
    void drainWrites();
    void teardown();
    void linkLost();
    void applyAll();
    void apply(Apply what);
    void applyTermios();
    void applyLines();

    void tick();
    void poll();
    void take(QByteArray in, int flags);
    void closeBlock();
    int lineErrors();
    qint64 charTimeUs(int configured) const;

    void deliver();
    void scheduleDelivery();

    void startWrite(const QByteArray& data);
    void finishWrite(qint64 written);
    void writeTimedOut();
};

TSerialPortNG::Impl::Impl(TSerialPortNG* owner) : q(owner)
{
    clock.start();
    pollTimer.setInterval(kPollIntervalMs);
    pollTimer.setTimerType(Qt::PreciseTimer);
    nestedPollTimer.setInterval(kPollIntervalMs);
    nestedPollTimer.setTimerType(Qt::PreciseTimer);
    deliverSoon.setSingleShot(true);
    deliverSoon.setInterval(0);
    writeTimer.setSingleShot(true);
    writeTimer.setTimerType(Qt::PreciseTimer);

    QObject::connect(&pollTimer, &QTimer::timeout, q, [this] { tick(); });
    QObject::connect(&nestedPollTimer, &QTimer::timeout, q, [this] { poll(); });
    QObject::connect(&deliverSoon, &QTimer::timeout, q, [this] { deliver(); });
    QObject::connect(&writeTimer, &QTimer::timeout, q, [this] { writeTimedOut(); });
    QObject::connect(&port, &QSerialPort::bytesWritten, q, [this](qint64) {
        if (writing && port.bytesToWrite() == 0)
            finishWrite(writeTotal);
    });
    QObject::connect(&port, &QSerialPort::errorOccurred, q,
                     [this](QSerialPort::SerialPortError error) {
                         // A vanished device reports ResourceError; a hung-up
                         // line can also repeat ReadError on every read.
                         if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
                             linkLost();
                     });
}

// --- open and close ---------------------------------------------------------

bool TSerialPortNG::Impl::openPort()
{
    teardown();
    port.setPortName(systemName(s().commPort));
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.clearError();
    applyAll();
    port.clear(QSerialPort::AllDirections); // nothing stale from before the open
    open = true;
    ++generation;
    pending.clear();
    pendingFlags = 0;
    markState = 0;
    lastEmptyUs = nowUs();
#ifdef Q_OS_LINUX
    countersWork = ::ioctl(port.handle(), TIOCGICOUNT, &counters) == 0;
#endif
    pollTimer.start();
    return true;
}

void TSerialPortNG::Impl::closePort()
{
    drainWrites();
    open = false;
    ++generation;
    teardown();
}

// A deliberate close first lets the writes already handed over go out, each
// within its own write time-out, so that a last command ("LO" at shutdown)
// is not lost with the port.
void TSerialPortNG::Impl::drainWrites()
{
    for (int guard = 0; open && port.isOpen() && writing && guard < 10000; ++guard) {
        if (port.bytesToWrite() > 0) {
            const int left = writeTimer.remainingTime();
            if (left <= 0) {
                writeTimedOut();
                continue;
            }
            port.waitForBytesWritten(left);
            continue;
        }
        finishWrite(writeTotal);
    }
}

// Ends the open port: what was received forms a last block, a write in
// progress ends with what went out, queued sends are dropped.
void TSerialPortNG::Impl::teardown()
{
    open = false;
    pollTimer.stop();
    if (!port.isOpen())
        return;
    take(port.readAll(), 0);
    if (!pending.isEmpty())
        closeBlock();
    txQueue.clear();
    if (writing)
        finishWrite(writeTotal - port.bytesToWrite());
    port.close();
    scheduleDelivery();
}

// The device went away. Reading stops at once; the port itself is closed from
// a queued call, not inside the QSerialPort signal that told us.
void TSerialPortNG::Impl::linkLost()
{
    if (!open)
        return;
    open = false;
    pollTimer.stop();
    const quint64 gen = ++generation;
    QMetaObject::invokeMethod(
        q,
        [this, gen] {
            if (gen == generation)
                teardown();
        },
        Qt::QueuedConnection);
}

void TSerialPortNG::Impl::applyAll()
{
    for (Apply a : {Apply::Baud, Apply::DataBits, Apply::Parity, Apply::StopBits, Apply::Flow,
                    Apply::ReadBuffer})
        apply(a);
}

// Refusals (a pseudo-terminal has no RTS, DTR or parity) leave the port open.
void TSerialPortNG::Impl::apply(Apply what)
{
    switch (what) {
    case Apply::Baud:
        port.setBaudRate(s().baudRate);
        break;
    case Apply::DataBits:
        port.setDataBits(static_cast<QSerialPort::DataBits>(s().dataBits));
        break;
    case Apply::Parity: {
        static const QSerialPort::Parity parities[] = {
            QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
            QSerialPort::MarkParity, QSerialPort::SpaceParity};
        port.setParity(parities[s().parityType]);
        applyTermios(); // setParity resets the input flags
        break;
    }
    case Apply::StopBits: {
        static const QSerialPort::StopBits stops[] = {
            QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
        port.setStopBits(stops[s().stopBits]);
        break;
    }
    case Apply::Flow: {
        static const QSerialPort::FlowControl flows[] = {
            QSerialPort::NoFlowControl, QSerialPort::HardwareControl, QSerialPort::SoftwareControl};
        port.setFlowControl(flows[s().flowControl]);
        applyTermios();
        applyLines();
        break;
    }
    case Apply::Termios:
        applyTermios();
        break;
    case Apply::Lines:
        applyLines();
        break;
    case Apply::ReadBuffer:
        port.setReadBufferSize(s().rxQueueSize);
        break;
    }
}

// XON/XOFF characters and parity-error marking, which QSerialPort does not set.
void TSerialPortNG::Impl::applyTermios()
{
#ifdef Q_OS_LINUX
    termios tio;
    if (::tcgetattr(port.handle(), &tio) != 0)
        return;
    tio.c_cc[VSTART] = static_cast<cc_t>(s().xonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s().xoffChar);
    if (s().parityErrorReplacement) {
        // A byte with a parity or framing error arrives as 0xFF 0x00 byte, a
        // real 0xFF as 0xFF 0xFF; take() decodes both.
        tio.c_iflag |= INPCK | PARMRK;
        tio.c_iflag &= ~(IGNPAR | ISTRIP | IGNBRK | BRKINT);
    } else {
        tio.c_iflag &= ~(INPCK | PARMRK);
        tio.c_iflag |= IGNPAR;
    }
    ::tcsetattr(port.handle(), TCSANOW, &tio);
    markState = 0;
#endif
}

void TSerialPortNG::Impl::applyLines()
{
    port.setDataTerminalReady(s().dtrState);
    if (s().flowControl != 1) // RTS belongs to the handshake otherwise
        port.setRequestToSend(s().rtsState);
    port.setBreakEnabled(s().breakState);
}

// --- receiving --------------------------------------------------------------

void TSerialPortNG::Impl::tick()
{
    poll();
    deliver();
}

// Bytes waiting close into one block when they have waited longer than
// bytes x char time + RTOExtraDelayTime since none was last seen waiting, when
// ClusterSize or more wait, or when a line error was reported.
void TSerialPortNG::Impl::poll()
{
    if (!open)
        return;
    take(port.readAll(), lineErrors());
    const qint64 now = nowUs();
    if (pending.isEmpty()) {
        lastEmptyUs = now;
        return;
    }
    const qint64 limitUs = qint64(pending.size()) * charTimeUs(s().rtoCharDelayTime) +
                           qint64(s().rtoExtraDelayTime) * 1000;
    if (pending.size() >= s().clusterSize || pendingFlags != 0 || now - lastEmptyUs > limitUs) {
        closeBlock();
        lastEmptyUs = now;
    }
}

void TSerialPortNG::Impl::take(QByteArray in, int flags)
{
    pendingFlags |= flags;
    if (in.isEmpty())
        return;
#ifdef Q_OS_LINUX
    if (s().parityErrorReplacement) {
        QByteArray out;
        out.reserve(in.size());
        for (char ch : std::as_const(in)) {
            const auto c = static_cast<unsigned char>(ch);
            if (markState == 0) {
                if (c == 0xFF)
                    markState = 1;
                else
                    out.append(ch);
            } else if (markState == 1) {
                if (c == 0x00) {
                    markState = 2;
                } else {
                    out.append('\xFF');
                    if (c != 0xFF)
                        out.append(ch);
                    markState = 0;
                }
            } else {
                out.append(s().parityErrorChar);
                pendingFlags |= ErrParity;
                markState = 0;
            }
        }
        in = out;
    }
#endif
    if (s().stripNullChars)
        in.removeIf([](char c) { return c == '\0'; });
    pending += in;
}

void TSerialPortNG::Impl::closeBlock()
{
    blocks.push_back({pending, pendingFlags});
    pending.clear();
    pendingFlags = 0;
    events.push_back(kBlockEvent);
}

// Changes of the driver's line-error counters since the last look.
int TSerialPortNG::Impl::lineErrors()
{
#ifdef Q_OS_LINUX
    if (!countersWork)
        return 0;
    serial_icounter_struct now{};
    if (::ioctl(port.handle(), TIOCGICOUNT, &now) != 0) {
        countersWork = false;
        return 0;
    }
    int flags = 0;
    if (now.buf_overrun != counters.buf_overrun)
        flags |= ErrRxOver;
    if (now.overrun != counters.overrun)
        flags |= ErrOverrun;
    if (now.parity != counters.parity)
        flags |= ErrParity;
    if (now.frame != counters.frame)
        flags |= ErrFrame;
    if (now.brk != counters.brk)
        flags |= ErrBreak;
    counters = now;
    return flags;
#else
    return 0;
#endif
}

// Microseconds per character: the configured figure, or with XTOAuto the time
// one frame (start, data, parity and stop bits) takes at the baud rate.
qint64 TSerialPortNG::Impl::charTimeUs(int configured) const
{
    if (!s().xtoAuto)
        return configured;
    const int halfBits = 2 * (1 + s().dataBits + (s().parityType != 0 ? 1 : 0)) + 2 + s().stopBits;
    return (qint64(halfBits) * 500000 + s().baudRate - 1) / s().baudRate;
}

// --- delivery ---------------------------------------------------------------

void TSerialPortNG::Impl::scheduleDelivery()
{
    if (!delivering && !events.empty())
        deliverSoon.start();
}

// Emits the queued events in order. A call while a handler runs returns at
// once; the outer call goes on with what arrived meanwhile.
void TSerialPortNG::Impl::deliver()
{
    if (delivering || events.empty())
        return;
    delivering = true;
    nestedPollTimer.start();
    const QPointer<TSerialPortNG> alive(q);
    try {
        while (!events.empty()) {
            const int event = events.front();
            events.pop_front();
            if (event == kBlockEvent) {
                emit q->OnRxClusterEvent();
            } else {
                writtenBytes = event;
                emit q->OnWriteDone();
            }
            if (!alive)
                return;
        }
    } catch (...) {
        if (alive) {
            delivering = false;
            nestedPollTimer.stop();
            scheduleDelivery();
        }
        throw;
    }
    delivering = false;
    nestedPollTimer.stop();
}

// --- writing ----------------------------------------------------------------

void TSerialPortNG::Impl::startWrite(const QByteArray& data)
{
    if (port.write(data) != data.size())
        return; // refused: no completion follows
    writing = true;
    writeTotal = data.size();
    const qint64 us =
        writeTotal * charTimeUs(s().wtoCharDelayTime) + qint64(s().wtoExtraDelayTime) * 1000;
    writeTimer.start(int(std::min<qint64>((us + 999) / 1000, INT_MAX)));
}

void TSerialPortNG::Impl::finishWrite(qint64 written)
{
    writeTimer.stop();
    writing = false;
    writtenBytes = int(written);
    events.push_back(int(written));
    scheduleDelivery();
    while (!writing && open && !txQueue.empty()) {
        const QByteArray next = txQueue.front();
        txQueue.pop_front();
        startWrite(next);
    }
}

// The time-out cuts the write: what has not left yet is discarded.
void TSerialPortNG::Impl::writeTimedOut()
{
    if (!writing)
        return;
    const qint64 written = writeTotal - port.bytesToWrite();
    port.clear(QSerialPort::Output);
    finishWrite(written);
}

// --- TSerialPortNG ----------------------------------------------------------

TSerialPortNG::TSerialPortNG(QObject* parent) : SerialLink(parent), d(std::make_unique<Impl>(this))
{
}

TSerialPortNG::~TSerialPortNG()
{
    QObject::disconnect(&d->port, nullptr, nullptr, nullptr);
    d->port.close();
}

void TSerialPortNG::SendText(const QByteArray& data)
{
    if (data.isEmpty() || !d->open)
        return;
    if (d->writing)
        d->txQueue.push_back(data);
    else
        d->startWrite(data);
}

int TSerialPortNG::WrittenBytes() const
{
    return d->writtenBytes;
}

int TSerialPortNG::PendingClusterLength() const
{
    return d->blocks.empty() ? -1 : int(d->blocks.front().data.size());
}

int TSerialPortNG::PendingClusterHasError() const
{
    return d->blocks.empty() ? 0 : d->blocks.front().flags;
}

QByteArray TSerialPortNG::TakeCluster()
{
    if (d->blocks.empty())
        return QByteArray();
    QByteArray data = d->blocks.front().data;
    d->blocks.pop_front();
    return data;
}

bool TSerialPortNG::Active() const
{
    return d->open;
}

void TSerialPortNG::setActive(bool active)
{
    if (active == d->open)
        return;
    if (active)
        d->openPort();
    else
        d->closePort();
}

void TSerialPortNG::applyToPort(Apply what)
{
    if (d->open)
        d->apply(what);
}

void TSerialPortNG::reopen()
{
    if (!d->open)
        return;
    d->closePort();
    d->openPort();
}
