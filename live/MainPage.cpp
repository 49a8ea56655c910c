#include "MainPage.h"

#include "Clock.h"
#include "Errors.h"
#include "LogPage.h"
#include "PanelHost.h"
#include "TextUtils.h"
#include "ui_MainPage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

const QString kBaseTitle = QStringLiteral("Morvane Control Panel 6 November 2013 Version 1.3");
const QString kDegC = QStringLiteral("\u00B0C");
const QString kDegF = QStringLiteral("\u00B0F");

// Every row of a selector's list is 20 pixels high.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(20);
        return size;
    }
};

} // namespace

MainPage::MainPage(PanelHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_ui(std::make_unique<Ui::MainPage>())
{
    m_ui->setupUi(this);
    showDesignState();

    connectSelector(m_ui->cbInput, &MainPage::cbInputChange);
    connectSelector(m_ui->cbSensorA, &MainPage::cbSensorAChange);
    connectSelector(m_ui->cbSensorB, &MainPage::cbSensorBChange);
    connectSelector(m_ui->cbUnits, &MainPage::cbUnitsChange);
    connectSelector(m_ui->cbResolution, &MainPage::cbResolutionChange);
    connectSelector(m_ui->cbCoeffA, &MainPage::cbCoeffAChange);
    connectSelector(m_ui->cbCorrA, &MainPage::cbCorrAChange);
    // The CJC selectors show the instrument's mode only; they send nothing.
    connectSelector(m_ui->cbCJCA, nullptr);
    connectSelector(m_ui->cbCJCB, nullptr);
    connect(m_ui->bRefresh, &QPushButton::clicked, this, &MainPage::bRefreshClick);
    connect(m_ui->bLocal, &QPushButton::clicked, this, &MainPage::bLocalClick);

    connect(m_ui->bMeasure, &QPushButton::clicked, this, &MainPage::bMeasureClick);
    connect(m_ui->cbAuto, &QCheckBox::clicked, this, &MainPage::cbAutoClick);
    m_ui->eAuto->installEventFilter(this);
    connect(&m_host.tAuto(), &QTimer::timeout, this, &MainPage::tAutoTimer);
}

MainPage::~MainPage() = default;

void MainPage::showDesignState()
{
    // Selectors that show a text with no item selected until the instrument reports.
    const struct {
        QComboBox* box;
        QString text;
    } texts[] = {
        {m_ui->cbSensorA, QStringLiteral("R")},
        {m_ui->cbSensorB, QStringLiteral("R")},
        {m_ui->cbUnits, kDegC},
        {m_ui->cbCoeffA, QStringLiteral("OFF")},
        {m_ui->cbCorrA, QStringLiteral("OFF")},
    };
    for (const auto& t : texts) {
        t.box->setCurrentIndex(-1);
        t.box->setEditText(t.text);
    }
    paintBox(m_ui->gbA, clBtnFace());
    paintBox(m_ui->gbB, clBtnFace());
    paintBox(m_ui->gbSensorA, clBtnFace());
    paintBox(m_ui->gbSensorB, clBtnFace());
    paintBox(m_ui->gbCJCA, clActiveBorder());
    paintBox(m_ui->gbCJCB, clActiveBorder());
}

void MainPage::connectSelector(QComboBox* box, void (MainPage::*handler)())
{
    box->setItemDelegate(new ItemHeightDelegate(box));
    // The selector's own completion would rewrite what the user types.
    box->setCompleter(nullptr);
    if (!handler)
        return;
    // Only the user's choices run the handler: picking an item, or editing the
    // text. Leaving the selector (or Return) makes the selector pick the item
    // its text names; that is no new choice and sends nothing (eventFilter).
    connect(box, &QComboBox::activated, this, [this, handler] {
        if (m_quietSelectors == 0)
            (this->*handler)();
    });
    connect(box->lineEdit(), &QLineEdit::textEdited, this, handler);
    box->installEventFilter(this);
}

void MainPage::setLogPage(LogPage* page)
{
    m_logPage = page;
}

QLabel* MainPage::measuredValueLabel() const
{
    return m_ui->lMV;
}

QString MainPage::InputName(int32_t code)
{
    switch (code) {
    case 0:
        return QStringLiteral("A");
    case 1:
        return QStringLiteral("B");
    default:
        return QStringLiteral("A-B");
    }
}

QString MainPage::SensorName(int32_t code)
{
    static const char* const names[] = {"Pt100", "R", "S", "B", "J", "T", "E", "K"};
    if (code >= 0 && code < 8)
        return QString::fromLatin1(names[code]);
    return QStringLiteral("N");
}

QColor MainPage::clBtnFace()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

QColor MainPage::clActiveBorder()
{
    return QColor(0xb4, 0xb4, 0xb4);
}

void MainPage::paintBox(QGroupBox* box, const QColor& colour)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, colour);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

void MainPage::setBoxState(QGroupBox* box, bool enabled)
{
    box->setEnabled(enabled);
    paintBox(box, enabled ? clBtnFace() : clActiveBorder());
}

int MainPage::chosenIndex(const QComboBox* box)
{
    return box->findText(box->currentText(), Qt::MatchFixedString);
}

int32_t MainPage::unitsSensor() const
{
    const InstrumentState& s = m_host.instrumentState();
    return s.Input == 0 || s.Input == 2 ? s.SensorA : s.SensorB;
}

int32_t MainPage::labelSensor() const
{
    const InstrumentState& s = m_host.instrumentState();
    return s.Input == 1 ? s.SensorB : s.SensorA;
}

bool MainPage::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QComboBox*>(watched)) {
        const bool returnKey = event->type() == QEvent::KeyPress &&
                               (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (event->type() == QEvent::FocusOut || returnKey) {
            // The selector handles the event here, inside the quiet span.
            ++m_quietSelectors;
            watched->event(event);
            --m_quietSelectors;
            return true;
        }
        return false;
    }
    if (watched == m_ui->eAuto && event->type() == QEvent::FocusOut) {
        // Leaving the field for another control takes the period; the window
        // losing activation (another window, a box, a menu) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            eAutoExit();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Reply decoding ------------------------------------------------------

void MainPage::decodeId(QStringList& fields)
{
    InstrumentState& state = m_host.instrumentState();
    state.ModelIndex = StrToInt(fieldAt(fields, 1));
    if (state.ModelIndex == 0)
        m_host.setWindowTitleText(kBaseTitle + QStringLiteral(" - QZ7732 "));
    else if (state.ModelIndex == 1)
        m_host.setWindowTitleText(kBaseTitle + QStringLiteral(" - QZ7731 "));
    const QString field2 = fieldAt(fields, 2);
    const QString field3 = fieldAt(fields, 3);
    m_host.setWindowTitleText(m_host.windowTitleText() + field2 + QLatin1Char('/') + field3);
}

void MainPage::decodeSetup(QStringList& fields)
{
    InstrumentState& state = m_host.instrumentState();
    auto field = [&fields](int index) { return StrToInt(fieldAt(fields, index)); };
    state.Units = field(2);
    state.Input = field(3);
    const int32_t sensors = field(4);
    state.SensorA = sensors % 256;
    state.SensorB = sensors / 256;
    const int32_t cjc = field(5);
    state.CJCA = cjc % 256;
    state.CJCB = cjc / 256;
    state.Resolution = field(6);
    state.CoeffMode = field(7);
    field(8);
    state.CorrMode = field(9);
    field(10);
    PageControl1Change();
}

// ---- Page synchronisation ------------------------------------------------

void MainPage::PageControl1Change()
{
    const InstrumentState& s = m_host.instrumentState();

    // Model: the sensor types can be set, and CJC exists, on the QZ7732 only.
    const bool settable = s.ModelIndex == 0;
    setBoxState(m_ui->gbSensorA, settable);
    setBoxState(m_ui->gbSensorB, settable);
    m_ui->gbCJCA->setVisible(settable);
    m_ui->gbCJCB->setVisible(settable);

    // Input: channel B alone enables box B; anything else works on channel A.
    m_ui->cbInput->setCurrentIndex(s.Input);
    const bool channelB = m_ui->cbInput->currentIndex() == 1;
    setBoxState(m_ui->gbA, !channelB);
    setBoxState(m_ui->gbB, channelB);

    m_ui->cbSensorA->setCurrentIndex(s.SensorA);
    m_ui->cbSensorB->setCurrentIndex(s.SensorB);

    // Units: the first item depends on the model and the governing sensor.
    m_ui->cbUnits->clear();
    const bool ohms = s.ModelIndex != 0 || unitsSensor() == 0;
    m_ui->cbUnits->addItems({ohms ? QStringLiteral("Ohms") : QStringLiteral("uV"), kDegC,
                             QStringLiteral("Kelvin"), kDegF});

    m_ui->cbUnits->setCurrentIndex(s.Units);
    m_ui->cbResolution->setCurrentIndex(s.Resolution);
    m_ui->cbCJCA->setCurrentIndex(s.CJCA);
    m_ui->cbCJCB->setCurrentIndex(s.CJCB);
    m_ui->cbCoeffA->setCurrentIndex(s.CoeffMode);
    m_ui->cbCorrA->setCurrentIndex(s.CorrMode);

    // Labels of the other pages. Units outside the list give an empty units label.
    const QString input = InputName(s.Input);
    const QString sensor = SensorName(labelSensor());
    m_host.setTablesLabels(input, sensor);
    m_host.setCoefficientsInputLabel(input);
    if (m_logPage)
        m_logPage->setSyncLabels(input, sensor,
                                 m_ui->cbUnits->itemText(m_ui->cbUnits->currentIndex()));

    // Entry requests of the page shown now.
    switch (m_host.activePageIndex()) {
    case PageSettings:
        m_host.refreshPortList();
        break;
    case PageMemory:
        m_host.CommsRequest(QStringLiteral("LM"));
        break;
    case PageProbe:
        m_host.CommsRequest(QStringLiteral("LP"));
        m_host.CommsRequest(QStringLiteral("S@"));
        break;
    default:
        break;
    }
}

// ---- Setting commands ----------------------------------------------------

void MainPage::sendSetting(const QString& command)
{
    m_host.CommsRequest(command);
    m_host.CommsRequest(QStringLiteral("SU"));
}

void MainPage::sendSettingAfterPause(const QString& command)
{
    m_host.CommsRequest(command);
    appClock().sleep(100);
    m_host.CommsRequest(QStringLiteral("SU"));
}

void MainPage::cbInputChange()
{
    static const char* const commands[] = {"IN A", "IN B"};
    const int index = chosenIndex(m_ui->cbInput);
    sendSetting(index == 0 || index == 1 ? QString::fromLatin1(commands[index])
                                         : QStringLiteral("IN A-B"));
}

namespace {
QString sensorCommand(int index)
{
    static const char* const commands[] = {"SE PRT", "SE R", "SE S", "SE B",
                                           "SE J",   "SE T", "SE E", "SE K"};
    return index >= 0 && index < 8 ? QString::fromLatin1(commands[index]) : QStringLiteral("SE N");
}

QString modeCommand(const char* prefix, int index)
{
    static const char* const modes[] = {"OFF", "A", "B"};
    return QString::fromLatin1(prefix) +
           (index >= 0 && index < 3 ? QString::fromLatin1(modes[index]) : QStringLiteral("AB"));
}
} // namespace

void MainPage::cbSensorAChange()
{
    sendSettingAfterPause(sensorCommand(chosenIndex(m_ui->cbSensorA)));
}

void MainPage::cbSensorBChange()
{
    // The command names no channel: the instrument sets the channel in use.
    sendSettingAfterPause(sensorCommand(chosenIndex(m_ui->cbSensorB)));
}

void MainPage::cbUnitsChange()
{
    // The item texts are not used: with a thermocouple on the QZ7732 the first
    // item reads "uV" while the instrument is asked for millivolts.
    QString command;
    switch (chosenIndex(m_ui->cbUnits)) {
    case 0:
        command = m_host.instrumentState().ModelIndex == 0 && unitsSensor() != 0
                      ? QStringLiteral("UN mV")
                      : QStringLiteral("UN OH");
        break;
    case 1:
        command = QStringLiteral("UN C");
        break;
    case 2:
        command = QStringLiteral("UN K");
        break;
    default:
        command = QStringLiteral("UN F");
        break;
    }
    sendSettingAfterPause(command);
}

void MainPage::cbResolutionChange()
{
    sendSettingAfterPause(chosenIndex(m_ui->cbResolution) == 0 ? QStringLiteral("LR")
                                                               : QStringLiteral("HR"));
}

void MainPage::cbCoeffAChange()
{
    sendSettingAfterPause(modeCommand("CM ", chosenIndex(m_ui->cbCoeffA)));
}

void MainPage::cbCorrAChange()
{
    sendSettingAfterPause(modeCommand("CO ", chosenIndex(m_ui->cbCorrA)));
}

void MainPage::bRefreshClick()
{
    m_host.CommsRequest(QStringLiteral("SU"));
}

void MainPage::bLocalClick()
{
    m_host.CommsRequest(QStringLiteral("LO"));
}
