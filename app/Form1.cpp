#include "Form1.h"

#include "Clock.h"
#include "CoefficientsPage.h"
#include "DiagnosticPage.h"
#include "Dialogs.h"
#include "LogPage.h"
#include "MainPage.h"
#include "MemoryPage.h"
#include "ProbePage.h"
#include "Registry.h"
#include "SerialNGAdvDLG.h"
#include "SettingsPage.h"
#include "TablesPage.h"
#include "ui_Form1.h"

#include <QCloseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace {
const QString kControl = QStringLiteral("Control");
const QString kComms = QStringLiteral("Comms");
const QString kWebAddress = QStringLiteral("www.morvane.example.com");

// A 12 x 12 disc on white corners, centred in a 17 x 17 image.
QPixmap disc(const QColor& colour)
{
    QPixmap pixmap(17, 17);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(2, 2, 12, 12), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return pixmap;
}
} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    buildPages();
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    // Pages hold references to the channel and the port: free them first.
    delete ui->PageControl1;
}

QString TForm1::baseTitle()
{
    return QStringLiteral("Morvane Control Panel 6 November 2013 Version 1.3");
}

void TForm1::buildPages()
{
    ui->iOnline1->setPixmap(disc(QColor(0, 200, 0)));
    ui->iOnline0->setPixmap(disc(QColor(160, 160, 160)));
    ui->iOnline0->raise();
    ui->Memo1->setPlainText(
        QStringLiteral("This is the control panel of the Morvane software for QZ7731 and QZ7732.\n\n"
                       "Please visit %1 for updates or support.")
            .arg(kWebAddress));
    ui->Memo2->setPlainText(
        QStringLiteral("Please consult the user manual or visit %1 for details.").arg(kWebAddress));

    m_tLog.setInterval(3000);
    m_tAuto.setInterval(10000);

    QTabWidget* tabs = ui->PageControl1;
    // Ten tabs share the window's width, as on the instrument's home platform.
    tabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 6px; }"));
    const QSignalBlocker blocker(tabs);
    m_mainPage = new MainPage(*this, tabs);
    m_tablesPage = new TablesPage(tabs);
    m_coefficientsPage = new CoefficientsPage(tabs);
    m_probePage = new ProbePage(tabs);
    m_logPage = new LogPage(*this, tabs);
    m_memoryPage = new MemoryPage(tabs);
    m_settingsPage = new SettingsPage(*this, m_port, tabs);
    m_diagnosticPage = new DiagnosticPage(m_port, tabs);
    tabs->insertTab(PageMain, m_mainPage, QStringLiteral("Main"));
    tabs->insertTab(PageTables, m_tablesPage, QStringLiteral("Tables"));
    tabs->insertTab(PageCoefficients, m_coefficientsPage, QStringLiteral("Coefficients"));
    tabs->insertTab(PageProbe, m_probePage, QStringLiteral("Probe"));
    tabs->insertTab(PageLog, m_logPage, QStringLiteral("Log"));
    tabs->insertTab(PageMemory, m_memoryPage, QStringLiteral("Memory"));
    tabs->insertTab(PageSettings, m_settingsPage, QStringLiteral("Settings"));
    tabs->insertTab(PageDiagnostic, m_diagnosticPage, QStringLiteral("Diagnostic"));
    m_mainPage->setLogPage(m_logPage);
    m_logPage->setMainValueLabel(m_mainPage->measuredValueLabel());

    ChannelControls controls;
    m_diagnosticPage->fillControls(controls);
    controls.iOnline0 = ui->iOnline0;
    controls.iOnline1 = ui->iOnline1;
    controls.eError = ui->eError;
    controls.ListBox1 = ui->ListBox1;
    m_channel = std::make_unique<CommandChannel>(m_port, controls);
    m_channel->setDecoders(this);

    connect(ui->bExit, &QPushButton::clicked, this, &TForm1::bExitClick);
    connect(tabs, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
}

void TForm1::FormCreate()
{
    // 1. Title.
    setWindowTitle(baseTitle());
    // 2. Memory slots; 3. grid headers.
    m_memoryPage->buildMemorySlots();
    m_tablesPage->putHeaders();
    m_probePage->putHeaders();
    // 4. Shared state.
    m_state = InstrumentState();
    m_channel->resetState();
    // 5. Window position, last page and diagnostic level.
    readControlSection();
    // 6. Always open on the Main page.
    setActivePageQuietly(PageMain);
    // 7. Diagnostic page and reply list only at a non-zero level.
    if (DiagnosticLevel == 0) {
        ui->PageControl1->setTabVisible(PageDiagnostic, false);
        ui->ListBox1->hide();
    }
    // 8.-10. Serial settings, 38400 baud, open.
    try {
        Registry registry;
        m_port.LoadSettings(registry, kComms);
    } catch (const std::exception&) {
        // Loading the serial settings fails silently; defaults stay.
    }
    m_port.setBaudRate(38400);
    m_port.setActive(true);
    // 11. Ask the instrument who it is, its settings and a first reading.
    if (m_port.Active()) {
        CommsRequest(QStringLiteral("ID"));
        appClock().sleep(100);
        CommsRequest(QStringLiteral("SU"));
        appClock().sleep(100);
        CommsRequest(QStringLiteral("ME"));
    }
}

void TForm1::readControlSection()
{
    try {
        Registry registry;
        const int left = registry.readInteger(kControl, QStringLiteral("Left"), 0);
        move(left, y());
        const int top = registry.readInteger(kControl, QStringLiteral("Top"), 0);
        move(x(), top);
        const int page = registry.readInteger(kControl, QStringLiteral("ActivePage"), 0);
        if (page >= 0 && page < ui->PageControl1->count())
            setActivePageQuietly(page);
        DiagnosticLevel = registry.readInteger(kControl, QStringLiteral("Diagnostic_level"), 0);
    } catch (const std::exception&) {
        appDialogs().information(QStringLiteral("Error: Load default"));
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    event->accept();
}

void TForm1::FormClose()
{
    // 1. Return the instrument to local control.
    CommsRequest(QStringLiteral("LO"));
    // 2. Serial settings, with "Active" as the port is now.
    try {
        Registry registry;
        m_port.StoreSettings(registry, kComms);
    } catch (const std::exception&) {
        // Storing the serial settings fails silently.
    }
    // 3. The window is freed once closed.
    setAttribute(Qt::WA_DeleteOnClose);
    // 4. Close the port; nothing waits for the answer to "LO".
    m_port.setActive(false);
    // 5. Position and page.
    writeControlSection();
}

void TForm1::writeControlSection()
{
    try {
        Registry registry;
        registry.writeInteger(kControl, QStringLiteral("Left"), x());
        registry.writeInteger(kControl, QStringLiteral("Top"), y());
        registry.writeInteger(kControl, QStringLiteral("ActivePage"),
                              ui->PageControl1->currentIndex());
        registry.flush();
    } catch (const RegistryError& e) {
        appDialogs().message(e.text());
    }
}

void TForm1::FormDestroy()
{
    m_port.setActive(false);
}

void TForm1::bExitClick()
{
    close();
}

void TForm1::setActivePageQuietly(int index)
{
    const QSignalBlocker blocker(ui->PageControl1);
    ui->PageControl1->setCurrentIndex(index);
}

void TForm1::PageControl1Change()
{
    m_mainPage->PageControl1Change();
}

void TForm1::setAdvancedDialog(TSerialNGAdvDLG* dialog)
{
    m_diagnosticPage->setAdvancedDialog(dialog);
}

void TForm1::CommsRequest(const QString& command)
{
    m_channel->CommsRequest(command);
}

int TForm1::activePageIndex() const
{
    return ui->PageControl1->currentIndex();
}

bool TForm1::portActive() const
{
    return m_port.Active();
}

QString TForm1::windowTitleText() const
{
    return windowTitle();
}

void TForm1::setWindowTitleText(const QString& title)
{
    setWindowTitle(title);
}

void TForm1::refreshPortList()
{
    m_settingsPage->refreshPortList();
}

void TForm1::setTablesLabels(const QString& input, const QString& sensor)
{
    m_tablesPage->setInputLabels(input, sensor);
}

void TForm1::setCoefficientsInputLabel(const QString& input)
{
    m_coefficientsPage->setInputLabel(input);
}

void TForm1::decodeId(QStringList& fields)
{
    m_mainPage->decodeId(fields);
}

void TForm1::decodeSetup(QStringList& fields)
{
    m_mainPage->decodeSetup(fields);
}

void TForm1::decodeMeasurement(QStringList& fields)
{
    m_logPage->decodeMeasurement(fields);
}

QTabWidget* TForm1::PageControl1() const
{
    return ui->PageControl1;
}
