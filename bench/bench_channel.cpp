// Command channel figures against the simulated instrument on a real
// pseudo-terminal, through the whole main window:
//  1. over N exchanges of "ME": the time from the reply's last byte leaving
//     the simulator to its dispatch, and from that dispatch to the next
//     command's first byte when that command was waiting in CommsRequest;
//  2. the resident memory before and after M exchanges at diagnostic level 0
//     (the trace still grows).
// Usage: bench_channel [N=1000] [M=10000]
// Phase 2 runs with 1 ms sleeps and a 5 ms block time so that it ends in
// minutes; it measures memory, not time.
#include "Clock.h"
#include "Form1.h"
#include "PtySimulator.h"
#include "Registry.h"
#include "Startup.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void printStats(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("%-44s n=%zu min=%.1f median=%.1f p95=%.1f max=%.1f mean=%.1f ms\n", what,
                ms.size(), ms.front(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(),
                sum / double(ms.size()));
}

class FastClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    void sleep(int) override { QThread::msleep(1); }
};

// Runs `count` exchanges of "ME" and returns the dispatch times.
std::vector<qint64> exchange(TForm1& form, int count)
{
    std::vector<qint64> dispatched;
    dispatched.reserve(size_t(count));
    auto* list = form.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    const auto connection = QObject::connect(
        list->model(), &QAbstractItemModel::rowsInserted,
        [&dispatched, &form](const QModelIndex&, int first, int) {
            // A dispatch fills the list and may refresh it once more after
            // its decoder: count the first fill only.
            const qint64 now = steadyNs();
            if (first == 0 && form.channel().AwaitingReply &&
                (dispatched.empty() || now - dispatched.back() > 5000000))
                dispatched.push_back(now);
        });
    for (int i = 0; i < count; ++i)
        form.CommsRequest(QStringLiteral("ME"));
    // The last reply.
    for (int pass = 0; pass < 50 && form.channel().AwaitingReply; ++pass) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    QObject::disconnect(connection);
    return dispatched;
}
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyPanelFonts(app);
    const int latencyRuns = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int memoryRuns = argc > 2 ? std::atoi(argv[2]) : 10000;

    PtySimulator sim;
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated instrument\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("bench.ini"));
    {
        QFile f(settings);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Comms]\nCommPort=%1\n").arg(sim.portName()).toUtf8());
    }
    Registry::setFileOverride(settings);
    auto* form = new TForm1;
    for (int i = 0; i < 100 && form->channel().AwaitingReply; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }

    // Phase 1: latency with the program's own settings.
    sim.clearEvents();
    const std::vector<qint64> dispatched = exchange(*form, latencyRuns);
    std::vector<qint64> replyEnd;
    std::vector<qint64> commandStart;
    for (const PtySimulator::Event& e : sim.events()) {
        if (e.kind == PtySimulator::Event::ReplyLastByteWritten)
            replyEnd.push_back(e.steadyNs);
        else if (e.kind == PtySimulator::Event::CommandFirstByte)
            commandStart.push_back(e.steadyNs);
    }
    std::vector<double> toDispatch;
    std::vector<double> toNextCommand;
    for (size_t i = 0; i < dispatched.size() && i < replyEnd.size(); ++i) {
        toDispatch.push_back(double(dispatched[i] - replyEnd[i]) / 1e6);
        if (i + 1 < commandStart.size())
            toNextCommand.push_back(double(commandStart[i + 1] - dispatched[i]) / 1e6);
    }
    std::printf("exchanges: %d (replies %zu, dispatches %zu)\n", latencyRuns, replyEnd.size(),
                dispatched.size());
    printStats("reply last byte -> dispatch", toDispatch);
    printStats("dispatch -> next command first byte", toNextCommand);

    // Phase 2: memory at diagnostic level 0.
    FastClock fast;
    setAppClock(&fast);
    form->SerialPortNG1().setRTOExtraDelayTime(5);
    exchange(*form, 200); // warm up
    const long before = residentKb();
    exchange(*form, memoryRuns);
    const long after = residentKb();
    std::printf("resident memory: %ld kB before, %ld kB after %d exchanges (+%ld kB, %.2f kB per "
                "exchange)\n",
                before, after, memoryRuns, after - before,
                memoryRuns ? double(after - before) / memoryRuns : 0.0);
    setAppClock(nullptr);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    delete form;
    return 0;
}
