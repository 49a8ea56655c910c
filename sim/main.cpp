// morvane-sim: a simulated thermometer on a pseudo-terminal, for trying the
// panel without an instrument. Runs until SIGINT or SIGTERM.
#include "PtySimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <pthread.h>

namespace {

bool parseFault(const QString& text, PtySimulator::Fault* fault)
{
    static const struct {
        const char* name;
        PtySimulator::Fault fault;
    } names[] = {
        {"none", PtySimulator::Fault::None},       {"noreply", PtySimulator::Fault::NoReply},
        {"split", PtySimulator::Fault::SplitReply}, {"two", PtySimulator::Fault::TwoReplies},
        {"badstatus", PtySimulator::Fault::BadStatus}, {"slow", PtySimulator::Fault::SlowBytes},
        {"nocr", PtySimulator::Fault::NoCR},
    };
    for (const auto& entry : names) {
        if (text.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // Blocked before any thread exists, so only sigwait() below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvane-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated QZ7731/QZ7732 thermometer on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("Instrument model: QZ7731 or QZ7732."),
                                         QStringLiteral("model"), QStringLiteral("QZ7732"));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Line fault: none, noreply, split, two, badstatus, slow or nocr."),
                                         QStringLiteral("fault"), QStringLiteral("none"));
    parser.addOption(modelOption);
    parser.addOption(faultOption);
    parser.process(app);

    PtySimulator::Options options;
    const QString model = parser.value(modelOption);
    if (model.compare(QLatin1String("QZ7731"), Qt::CaseInsensitive) == 0) {
        options.model = SimInstrument::Model::QZ7731;
    } else if (model.compare(QLatin1String("QZ7732"), Qt::CaseInsensitive) != 0) {
        std::fprintf(stderr, "morvane-sim: unknown model \"%s\" (QZ7731 or QZ7732)\n", qPrintable(model));
        return 2;
    }
    if (!parseFault(parser.value(faultOption), &options.fault)) {
        std::fprintf(stderr, "morvane-sim: unknown fault \"%s\"\n", qPrintable(parser.value(faultOption)));
        return 2;
    }

    PtySimulator simulator(options);
    if (!simulator.start()) {
        std::perror("morvane-sim: cannot open a pseudo-terminal");
        return 1;
    }
    const QByteArray port = simulator.portName().toLocal8Bit();
    std::printf("Port: %s\n", port.constData());
    // socat's "cr" turns the terminal's LF into the instrument's CR and back.
    std::printf("Talk to it with: socat - %s,raw,echo=0,cr  (type ID, SU, ME ...; Ctrl-D quits)\n",
                port.constData());
    std::printf("Stop with Ctrl-C.\n");
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.stop();
    std::printf("Stopped.\n");
    return 0;
}
