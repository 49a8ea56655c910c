// Program entry: the main window, then the serial port's advanced settings
// dialog, then the event loop.
#include "Form1.h"
#include "Registry.h"
#include "SerialNGAdvDLG.h"
#include "Startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane Control Panel"));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Controls and configures a QZ7731 or QZ7732 precision thermometer."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("Keep the stored settings in <file> (an INI file) instead of the "
                       "user's own store."),
        QStringLiteral("file"));
    parser.addOption(settingsOption);
    parser.process(app);
    if (parser.isSet(settingsOption))
        Registry::setFileOverride(parser.value(settingsOption));

    applyPanelFonts(app);

    auto* form = new TForm1;
    auto* dialog = new TSerialNGAdvDLG(form);
    form->setAdvancedDialog(dialog);
    form->show();
    return app.exec();
}
