// Screenshots of every page of the panel connected to a simulated instrument:
//   morvane-shots [QZ7732|QZ7731] [out-folder]
// Run it under a display (xvfb-run -a) to see the real fonts.
#include "Form1.h"
#include "PtySimulator.h"
#include "Registry.h"
#include "Startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {
void settle(TForm1& form, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms || form.channel().AwaitingReply) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (timer.elapsed() > 20000)
            break;
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    applyPanelFonts(app);
    const QString model = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("QZ7732");
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("shots");
    QDir().mkpath(out);

    PtySimulator::Options options;
    options.model = model == QLatin1String("QZ7731") ? SimInstrument::Model::QZ7731
                                                      : SimInstrument::Model::QZ7732;
    PtySimulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated instrument\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("shots.ini"));
    {
        QFile f(settings);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Comms]\nCommPort=%1\n[Control]\nDiagnostic_level=1\n")
                    .arg(sim.portName())
                    .toUtf8());
    }
    Registry::setFileOverride(settings);
    auto* form = new TForm1;
    form->show();
    settle(*form, 800);
    QTabWidget* tabs = form->PageControl1();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        settle(*form, 400);
        const QString name = QStringLiteral("%1/%2-%3.png").arg(out, model).arg(i);
        form->grab().save(name);
        std::printf("%s (%s)\n", qPrintable(name), qPrintable(tabs->tabText(i)));
    }
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    delete form;
    return 0;
}
