// Time from a reply's first byte, written on a pseudo-terminal's master, to its
// delivery as a block by the serial port with the default settings.
//   bench_serial_blocks [repetitions]

#include "SerialPortNG.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {
struct Figures {
    double min;
    double median;
    double max;
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(200);
    }
}

void print(const char* what, const std::vector<double>& ms)
{
    const Figures f = figures(ms);
    std::printf("%-32s n=%zu  min %7.1f ms  median %7.1f ms  max %7.1f ms\n", what, ms.size(),
                f.min, f.median, f.max);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    const QString path = QString::fromLocal8Bit(::ptsname(master));
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    termios tio;
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);

    TSerialPortNG port;
    port.setCommPort(path);
    port.setActive(true);
    if (!port.Active()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 firstAt = -1;
    qint64 lastAt = -1;
    qsizetype received = 0;
    QObject::connect(&port, &SerialLink::OnRxClusterEvent, &port, [&] {
        received += port.TakeCluster().size();
        lastAt = clock.nsecsElapsed();
        if (firstAt < 0)
            firstAt = lastAt;
    });

    auto measure = [&](const QByteArray& reply, std::vector<double>& first,
                       std::vector<double>& whole) {
        wait(100); // an idle line between replies
        firstAt = lastAt = -1;
        received = 0;
        const qint64 sent = clock.nsecsElapsed();
        qsizetype done = 0;
        while (done < reply.size()) {
            const ssize_t n =
                ::write(master, reply.constData() + done, size_t(reply.size() - done));
            if (n > 0)
                done += n;
            else
                wait(1);
        }
        QElapsedTimer limit;
        limit.start();
        while (received < reply.size() && limit.elapsed() < 5000)
            wait(1);
        first.push_back(double(firstAt - sent) / 1e6);
        whole.push_back(double(lastAt - sent) / 1e6);
    };

    std::vector<double> shortFirst, shortWhole, longFirst, longWhole;
    const QByteArray shortReply("0 1.234\r");
    QByteArray longReply(3072, '5');
    longReply.back() = '\r';
    for (int i = 0; i < reps; ++i)
        measure(shortReply, shortFirst, shortWhole);
    for (int i = 0; i < reps; ++i)
        measure(longReply, longFirst, longWhole);

    std::printf("first byte written -> delivered as a block (RTOCharDelayTime %d us, "
                "RTOExtraDelayTime %d ms, ClusterSize %d)\n",
                port.RTOCharDelayTime(), port.RTOExtraDelayTime(), port.ClusterSize());
    print("short reply (8 bytes), block", shortFirst);
    print("3 KB reply, first block", longFirst);
    print("3 KB reply, last byte delivered", longWhole);

    port.setActive(false);
    ::close(slave);
    ::close(master);
    return 0;
}
