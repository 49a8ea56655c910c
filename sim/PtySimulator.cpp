#include "PtySimulator.h"

#include <QMutexLocker>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Long demo runs keep only the newest lines and events.
constexpr int kMaxRecords = 100000;

qint64 steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

template <typename T>
void appendCapped(QList<T>& list, const T& item)
{
    list.append(item);
    if (list.size() > kMaxRecords)
        list.erase(list.begin(), list.begin() + (list.size() - kMaxRecords));
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool setFlags(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0
        && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

PtySimulator::PtySimulator(QObject* parent)
    : PtySimulator(Options(), parent)
{
}

PtySimulator::PtySimulator(const Options& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_instrument(options.model)
    , m_fault(options.fault)
{
}

PtySimulator::~PtySimulator()
{
    stop();
}

bool PtySimulator::start()
{
    if (m_thread)
        return true;

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    char name[PATH_MAX] = {};
    if (m_master < 0 || !setFlags(m_master) || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || ::ptsname_r(m_master, name, sizeof name) != 0) {
        closeAll();
        return false;
    }
    // The slave stays open here for the whole run: the master would read EIO
    // whenever the last slave closes, that is each time the program closes
    // its port. Raw at once, so bytes never meet echo or line editing.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw {};
    if (m_slave < 0 || ::tcgetattr(m_slave, &raw) != 0) {
        closeAll();
        return false;
    }
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B38400);
    ::cfsetospeed(&raw, B38400);
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0 || ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        closeAll();
        return false;
    }

    m_portName = QString::fromLocal8Bit(name);
    m_thread = QThread::create([this] { serve(); });
    m_thread->setObjectName(QStringLiteral("PtySimulator"));
    m_thread->start();
    return true;
}

void PtySimulator::stop()
{
    if (m_thread) {
        const char wake = 'x';
        while (::write(m_wake[1], &wake, 1) < 0 && errno == EINTR) {
        }
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    closeAll();
}

void PtySimulator::closeAll()
{
    closeFd(m_master);
    closeFd(m_slave);
    closeFd(m_wake[0]);
    closeFd(m_wake[1]);
}

void PtySimulator::setFault(Fault fault)
{
    QMutexLocker lock(&m_mutex);
    m_fault = fault;
}

PtySimulator::Fault PtySimulator::fault() const
{
    QMutexLocker lock(&m_mutex);
    return m_fault;
}

QList<QByteArray> PtySimulator::commands() const
{
    QMutexLocker lock(&m_mutex);
    return m_commands;
}

QList<PtySimulator::Event> PtySimulator::events() const
{
    QMutexLocker lock(&m_mutex);
    return m_events;
}

void PtySimulator::clearEvents()
{
    QMutexLocker lock(&m_mutex);
    m_events.clear();
}

SimInstrument PtySimulator::snapshot() const
{
    QMutexLocker lock(&m_mutex);
    return m_instrument;
}

void PtySimulator::withInstrument(const std::function<void(SimInstrument&)>& action)
{
    QMutexLocker lock(&m_mutex);
    action(m_instrument);
}

void PtySimulator::record(Event::Kind kind, const QByteArray& text)
{
    const Event event{steadyNow(), kind, text};
    QMutexLocker lock(&m_mutex);
    appendCapped(m_events, event);
}

void PtySimulator::serve()
{
    QByteArray line;
    bool lineStarted = false;
    char buffer[512];
    for (;;) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0) {
            // Hang-up or error without data: do not spin on it.
            if (!pause(50))
                return;
            continue;
        }
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (!pause(50))
                return;
            continue;
        }
        // Commands end in CR; LFs are dropped wherever they stand.
        for (ssize_t i = 0; i < n; ++i) {
            const char ch = buffer[i];
            if (ch == '\n')
                continue;
            if (!lineStarted) {
                lineStarted = true;
                record(Event::CommandFirstByte, QByteArray(1, ch));
            }
            if (ch != '\r') {
                line += ch;
                continue;
            }
            handleLine(line);
            line.clear();
            lineStarted = false;
        }
    }
}

void PtySimulator::handleLine(const QByteArray& line)
{
    record(Event::CommandLine, line);
    QByteArray reply;
    Fault fault;
    {
        QMutexLocker lock(&m_mutex);
        appendCapped(m_commands, line);
        reply = m_instrument.respond(line);
        fault = m_fault;
    }
    emit commandReceived(line);
    sendReply(reply, fault);
}

void PtySimulator::sendReply(QByteArray reply, Fault fault)
{
    switch (fault) {
    case Fault::NoReply:
        return;
    case Fault::BadStatus: {
        int end = reply.indexOf(',');
        if (end < 0)
            end = reply.indexOf('\r');
        reply = "1" + reply.mid(end);
        break;
    }
    case Fault::NoCR:
        if (reply.endsWith('\r'))
            reply.chop(1);
        break;
    case Fault::TwoReplies:
        reply += reply;
        break;
    default:
        break;
    }

    if (fault == Fault::SplitReply && reply.size() > 1) {
        const int half = reply.size() / 2;
        if (!writeAll(reply.left(half)) || !pause(m_options.splitPauseMs)
            || !writeAll(reply.mid(half)))
            return;
    } else if (fault == Fault::SlowBytes) {
        for (int i = 0; i < reply.size(); ++i) {
            if (!writeAll(reply.mid(i, 1)))
                return;
            if (i + 1 < reply.size() && !pause(m_options.byteDelayMs))
                return;
        }
    } else if (!writeAll(reply)) {
        return;
    }
    record(Event::ReplyLastByteWritten, reply);
}

bool PtySimulator::writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The other side is not reading: wait for room, or for stop().
        pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, 100) > 0 && fds[1].revents != 0)
            return false;
    }
    return true;
}

bool PtySimulator::pause(int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd wake{m_wake[0], POLLIN, 0};
        const int r = ::poll(&wake, 1, static_cast<int>(left.count()));
        if (r > 0)
            return false;
        if (r < 0 && errno != EINTR)
            return true;
    }
}
