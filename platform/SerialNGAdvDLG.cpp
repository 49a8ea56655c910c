#include "SerialNGAdvDLG.h"

#include "Registry.h"
#include "SerialPortNG.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
constexpr int kMaxBytes = 16 * 1024 * 1024;

// A whole-number entry and the range it must lie in.
struct NumberEntry {
    QLineEdit* edit;
    QString label;
    int lo;
    int hi;
};
} // namespace

struct TSerialNGAdvDLG::Impl {
    QComboBox* port = nullptr;
    QComboBox* baudRate = nullptr;
    QComboBox* dataBits = nullptr;
    QComboBox* stopBits = nullptr;
    QComboBox* parity = nullptr;
    QComboBox* flowControl = nullptr;
    QCheckBox* openPort = nullptr;
    QLineEdit* rtoChar = nullptr;
    QLineEdit* rtoExtra = nullptr;
    QLineEdit* clusterSize = nullptr;
    QLineEdit* wtoChar = nullptr;
    QLineEdit* wtoExtra = nullptr;
    QCheckBox* xtoAuto = nullptr;
    QLineEdit* xonChar = nullptr;
    QLineEdit* xoffChar = nullptr;
    QLineEdit* xonLimDiv = nullptr;
    QLineEdit* xoffLimDiv = nullptr;
    QCheckBox* parityReplacement = nullptr;
    QLineEdit* parityChar = nullptr;
    QCheckBox* stripNulls = nullptr;
    QLineEdit* errorNoise = nullptr;
    QLineEdit* eventChar = nullptr;
    std::vector<NumberEntry> numbers; // in the order they are checked

    // The first entry that does not hold a number in its range, or null.
    const NumberEntry* firstInvalid() const;
};

namespace {
QLineEdit* lineEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

QString charCode(char c)
{
    return QString::number(static_cast<unsigned char>(c));
}

bool numberIn(const QString& text, int lo, int hi, int& value)
{
    return Registry::parseInteger(text, value) && value >= lo && value <= hi;
}
} // namespace

const NumberEntry* TSerialNGAdvDLG::Impl::firstInvalid() const
{
    for (const NumberEntry& n : numbers) {
        int v = 0;
        if (!numberIn(n.edit->text(), n.lo, n.hi, v))
            return &n;
    }
    return nullptr;
}

TSerialNGAdvDLG::TSerialNGAdvDLG(QWidget* parent) : QDialog(parent), d(std::make_unique<Impl>())
{
    setWindowTitle(QStringLiteral("Serial Advanced Settings"));
    setObjectName(QStringLiteral("SerialNGAdvDLG"));

    auto* portBox = new QGroupBox(QStringLiteral("Port"), this);
    auto* portForm = new QFormLayout(portBox);
    d->port = comboBox(portBox, "cbPort", {});
    d->port->setEditable(true);
    d->port->setInsertPolicy(QComboBox::NoInsert);
    d->baudRate =
        comboBox(portBox, "cbBaudRate",
                 {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                  QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                  QStringLiteral("57600"), QStringLiteral("115200")});
    d->baudRate->setEditable(true);
    d->baudRate->setInsertPolicy(QComboBox::NoInsert);
    d->dataBits = comboBox(
        portBox, "cbDataBits",
        {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
    d->stopBits = comboBox(portBox, "cbStopBits",
                           {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
    d->parity = comboBox(portBox, "cbParity",
                         {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"),
                          QStringLiteral("Mark"), QStringLiteral("Space")});
    d->flowControl =
        comboBox(portBox, "cbFlowControl",
                 {QStringLiteral("None"), QStringLiteral("RTS/CTS"), QStringLiteral("XON/XOFF")});
    d->openPort = checkBox(portBox, "chkOpenPort", QStringLiteral("Open port"));
    portForm->addRow(QStringLiteral("&Port:"), d->port);
    portForm->addRow(QStringLiteral("&Baud rate:"), d->baudRate);
    portForm->addRow(QStringLiteral("&Data bits:"), d->dataBits);
    portForm->addRow(QStringLiteral("&Stop bits:"), d->stopBits);
    portForm->addRow(QStringLiteral("P&arity:"), d->parity);
    portForm->addRow(QStringLiteral("&Flow control:"), d->flowControl);
    portForm->addRow(QString(), d->openPort);

    auto* timingBox = new QGroupBox(QStringLiteral("Timing"), this);
    auto* timingForm = new QFormLayout(timingBox);
    d->rtoChar = lineEdit(timingBox, "eRTOCharDelayTime");
    d->rtoExtra = lineEdit(timingBox, "eRTOExtraDelayTime");
    d->clusterSize = lineEdit(timingBox, "eClusterSize");
    d->wtoChar = lineEdit(timingBox, "eWTOCharDelayTime");
    d->wtoExtra = lineEdit(timingBox, "eWTOExtraDelayTime");
    d->xtoAuto =
        checkBox(timingBox, "chkXTOAuto", QStringLiteral("Character time from the baud rate"));
    timingForm->addRow(QStringLiteral("Receive, per character (us):"), d->rtoChar);
    timingForm->addRow(QStringLiteral("Receive, extra (ms):"), d->rtoExtra);
    timingForm->addRow(QStringLiteral("Block size (bytes):"), d->clusterSize);
    timingForm->addRow(QStringLiteral("Send, per character (us):"), d->wtoChar);
    timingForm->addRow(QStringLiteral("Send, extra (ms):"), d->wtoExtra);
    timingForm->addRow(QString(), d->xtoAuto);

    auto* flowBox = new QGroupBox(QStringLiteral("Software handshake"), this);
    auto* flowForm = new QFormLayout(flowBox);
    d->xonChar = lineEdit(flowBox, "eXONChar");
    d->xoffChar = lineEdit(flowBox, "eXOFFChar");
    d->xonLimDiv = lineEdit(flowBox, "eXONLimDiv");
    d->xoffLimDiv = lineEdit(flowBox, "eXOFFLimDiv");
    flowForm->addRow(QStringLiteral("XON character (code):"), d->xonChar);
    flowForm->addRow(QStringLiteral("XOFF character (code):"), d->xoffChar);
    flowForm->addRow(QStringLiteral("XON limit (%):"), d->xonLimDiv);
    flowForm->addRow(QStringLiteral("XOFF limit (%):"), d->xoffLimDiv);

    auto* errorBox = new QGroupBox(QStringLiteral("Errors and characters"), this);
    auto* errorForm = new QFormLayout(errorBox);
    d->parityReplacement = checkBox(errorBox, "chkParityErrorReplacement",
                                    QStringLiteral("Replace bytes with parity errors"));
    d->parityChar = lineEdit(errorBox, "eParityErrorChar");
    d->stripNulls =
        checkBox(errorBox, "chkStripNullChars", QStringLiteral("Remove NUL characters"));
    d->errorNoise = lineEdit(errorBox, "eErrorNoise");
    d->eventChar = lineEdit(errorBox, "eEventChar");
    errorForm->addRow(QString(), d->parityReplacement);
    errorForm->addRow(QStringLiteral("Replacement (code):"), d->parityChar);
    errorForm->addRow(QString(), d->stripNulls);
    errorForm->addRow(QStringLiteral("Error level:"), d->errorNoise);
    errorForm->addRow(QStringLiteral("Event character (code):"), d->eventChar);

    d->numbers = {
        {d->rtoChar, QStringLiteral("Receive, per character"), 0, 1000000},
        {d->rtoExtra, QStringLiteral("Receive, extra"), 0, 3600000},
        {d->clusterSize, QStringLiteral("Block size"), 1, kMaxBytes},
        {d->wtoChar, QStringLiteral("Send, per character"), 0, 1000000},
        {d->wtoExtra, QStringLiteral("Send, extra"), 0, 3600000},
        {d->xonChar, QStringLiteral("XON character"), 0, 255},
        {d->xoffChar, QStringLiteral("XOFF character"), 0, 255},
        {d->xonLimDiv, QStringLiteral("XON limit"), 0, 100},
        {d->xoffLimDiv, QStringLiteral("XOFF limit"), 0, 100},
        {d->parityChar, QStringLiteral("Replacement"), 0, 255},
        {d->errorNoise, QStringLiteral("Error level"), 0, 255},
        {d->eventChar, QStringLiteral("Event character"), 0, 255},
    };

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(ok, &QPushButton::clicked, this, &TSerialNGAdvDLG::accept);
    connect(cancel, &QPushButton::clicked, this, &TSerialNGAdvDLG::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(portBox, 0, 0);
    grid->addWidget(timingBox, 0, 1);
    grid->addWidget(flowBox, 1, 0);
    grid->addWidget(errorBox, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
}

TSerialNGAdvDLG::~TSerialNGAdvDLG() = default;

int TSerialNGAdvDLG::exec()
{
    return QDialog::exec();
}

void TSerialNGAdvDLG::accept()
{
    int baud = 0;
    if (!numberIn(d->baudRate->currentText(), 1, 4000000, baud)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Baud rate: enter a whole number from 1 to 4000000."));
        d->baudRate->setFocus();
        return;
    }
    if (const NumberEntry* bad = d->firstInvalid()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("%1: enter a whole number from %2 to %3.")
                                 .arg(bad->label)
                                 .arg(bad->lo)
                                 .arg(bad->hi));
        bad->edit->setFocus();
        bad->edit->selectAll();
        return;
    }
    done(1);
}

void TSerialNGAdvDLG::reject()
{
    done(2);
}

void LoadDialogFromPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port)
{
    TSerialNGAdvDLG::Impl& d = *dialog.d;

    // The list only grows; it is kept in alphabetical order, letter case ignored.
    QStringList names;
    for (int i = 0; i < d.port->count(); ++i)
        names.append(d.port->itemText(i));
    TSerialPortNG::FillPortList(names);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    d.port->clear();
    d.port->addItems(names);
    int selected = -1;
    for (int i = 0; i < names.size() && selected < 0; ++i)
        if (QString::compare(names.at(i), port.CommPort(), Qt::CaseInsensitive) == 0)
            selected = i;
    if (selected < 0 && names.size() >= 2)
        selected = 1;
    d.port->setCurrentIndex(selected);
    if (selected < 0)
        d.port->clearEditText();

    d.baudRate->setCurrentText(QString::number(port.BaudRate()));
    d.dataBits->setCurrentIndex(port.DataBits() - 5);
    d.stopBits->setCurrentIndex(port.StopBits());
    d.parity->setCurrentIndex(port.ParityType());
    d.flowControl->setCurrentIndex(port.FlowControl());
    d.openPort->setChecked(port.Active());
    d.rtoChar->setText(QString::number(port.RTOCharDelayTime()));
    d.rtoExtra->setText(QString::number(port.RTOExtraDelayTime()));
    d.clusterSize->setText(QString::number(port.ClusterSize()));
    d.wtoChar->setText(QString::number(port.WTOCharDelayTime()));
    d.wtoExtra->setText(QString::number(port.WTOExtraDelayTime()));
    d.xtoAuto->setChecked(port.XTOAuto());
    d.xonChar->setText(charCode(port.XONChar()));
    d.xoffChar->setText(charCode(port.XOFFChar()));
    d.xonLimDiv->setText(QString::number(port.XONLimDiv()));
    d.xoffLimDiv->setText(QString::number(port.XOFFLimDiv()));
    d.parityReplacement->setChecked(port.ParityErrorReplacement());
    d.parityChar->setText(charCode(port.ParityErrorChar()));
    d.stripNulls->setChecked(port.StripNullChars());
    d.errorNoise->setText(QString::number(port.ErrorNoise()));
    d.eventChar->setText(charCode(port.EventChar()));
}

// An entry that does not hold a valid number leaves its setting unchanged.
void ApplyDialogToPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port)
{
    TSerialNGAdvDLG::Impl& d = *dialog.d;
    auto withNumber = [](QLineEdit* e, int lo, int hi, auto set) {
        int v = 0;
        if (numberIn(e->text(), lo, hi, v))
            set(v);
    };
    auto asChar = [](int v) { return static_cast<char>(static_cast<unsigned char>(v)); };

    const QString name = d.port->currentText().trimmed();
    if (!name.isEmpty())
        port.setCommPort(name);
    int baud = 0;
    if (numberIn(d.baudRate->currentText(), 1, 4000000, baud))
        port.setBaudRate(baud);
    port.setDataBits(d.dataBits->currentIndex() + 5);
    port.setStopBits(d.stopBits->currentIndex());
    port.setParityType(d.parity->currentIndex());
    port.setFlowControl(d.flowControl->currentIndex());
    withNumber(d.rtoChar, 0, 1000000, [&](int v) { port.setRTOCharDelayTime(v); });
    withNumber(d.rtoExtra, 0, 3600000, [&](int v) { port.setRTOExtraDelayTime(v); });
    withNumber(d.clusterSize, 1, kMaxBytes, [&](int v) { port.setClusterSize(v); });
    withNumber(d.wtoChar, 0, 1000000, [&](int v) { port.setWTOCharDelayTime(v); });
    withNumber(d.wtoExtra, 0, 3600000, [&](int v) { port.setWTOExtraDelayTime(v); });
    port.setXTOAuto(d.xtoAuto->isChecked());
    withNumber(d.xonChar, 0, 255, [&](int v) { port.setXONChar(asChar(v)); });
    withNumber(d.xoffChar, 0, 255, [&](int v) { port.setXOFFChar(asChar(v)); });
    withNumber(d.xonLimDiv, 0, 100, [&](int v) { port.setXONLimDiv(v); });
    withNumber(d.xoffLimDiv, 0, 100, [&](int v) { port.setXOFFLimDiv(v); });
    port.setParityErrorReplacement(d.parityReplacement->isChecked());
    withNumber(d.parityChar, 0, 255, [&](int v) { port.setParityErrorChar(asChar(v)); });
    port.setStripNullChars(d.stripNulls->isChecked());
    withNumber(d.errorNoise, 0, 255, [&](int v) { port.setErrorNoise(v); });
    withNumber(d.eventChar, 0, 255, [&](int v) { port.setEventChar(asChar(v)); });
    port.setActive(d.openPort->isChecked());
}
