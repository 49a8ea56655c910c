#include "LogPage.h"

#include "Clock.h"
#include "Errors.h"
#include "PanelHost.h"
#include "TextUtils.h"
#include "ui_LogPage.h"

#include <QDateTime>
#include <QTimer>

namespace {

// The time format without its time-zone part (unquoted runs of "t" and the
// blanks before them): the log shows local wall-clock time only.
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
                ++i;
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

} // namespace

LogPage::LogPage(PanelHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_ui(std::make_unique<Ui::LogPage>())
{
    m_ui->setupUi(this);
    connect(m_ui->bStart, &QPushButton::clicked, this, &LogPage::bStartClick);
    connect(m_ui->bStop, &QPushButton::clicked, this, &LogPage::bStopClick);
    connect(&m_host.tLog(), &QTimer::timeout, this, &LogPage::tLogTimer);
}

LogPage::~LogPage()
{
    // The program ends while logging: the file keeps every line written.
    if (m_logFile.isOpen())
        m_logFile.close();
}

void LogPage::setMainValueLabel(QLabel* label)
{
    m_mainValue = label;
}

void LogPage::setSyncLabels(const QString& input, const QString& sensor, const QString& units)
{
    m_ui->lLogInput->setText(input);
    m_ui->lLogSensor->setText(sensor);
    m_ui->lLogUnits->setText(units);
}

QString LogPage::logDateTimeText(const QDateTime& when, const QLocale& locale)
{
    QString dateFormat = QStringLiteral("dd/MM/yyyy");
    QString timeFormat = QStringLiteral("HH:mm:ss");
    if (locale.language() != QLocale::C) {
        dateFormat = locale.dateFormat(QLocale::ShortFormat);
        timeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    }
    const QTime time = when.time();
    QString text = locale.toString(when.date(), dateFormat);
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += QLatin1Char(' ') + locale.toString(time, timeFormat);
    return text;
}

// ---- Measurement ---------------------------------------------------------

void LogPage::decodeMeasurement(QStringList& fields)
{
    // The value is shown and logged as received: no conversion, no units.
    const QString value = fieldAt(fields, 1);
    if (m_mainValue)
        m_mainValue->setText(value);
    m_ui->lLog_MV->setText(value);
    if (m_loggingActive)
        appendLine(value);
}

void LogPage::appendLine(const QString& value)
{
    const QLocale locale = m_locale ? *m_locale : QLocale::system();
    const QByteArray line =
        (logDateTimeText(appClock().now(), locale) + QLatin1Char(',') + value).toUtf8() + "\r\n";
    // The file is unbuffered: the line goes to the operating system in one write.
    if (m_logFile.write(line) != line.size() || !m_logFile.flush())
        throw FileError(QStringLiteral("Cannot write to %1: %2")
                            .arg(m_logFile.fileName(), m_logFile.errorString()));
}

// ---- Logging -------------------------------------------------------------

void LogPage::bStartClick()
{
    if (m_loggingActive)
        return;
    guardedAction([this] { startLogging(); });
}

void LogPage::startLogging()
{
    QString name = TimeStampName(QStringLiteral("Log "));
    name.chop(4); // ".txt"
    m_logName = name;
    m_logFile.setFileName(m_logName + QStringLiteral(".txt"));
    if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw FileError(QStringLiteral("Cannot create %1: %2")
                            .arg(m_logFile.fileName(), m_logFile.errorString()));
    m_loggingActive = true;
    m_ui->lLogName->setText(QStringLiteral("Log to: ") + m_logName);
    // The first line comes from the reply to this request.
    m_host.CommsRequest(QStringLiteral("ME"));
    // A value still being typed counts as if the box had been left.
    m_ui->seInterval->interpretText();
    m_host.tLog().setInterval(m_ui->seInterval->value() * 1000);
    m_host.tLog().start();
}

void LogPage::bStopClick()
{
    if (m_loggingActive) {
        m_host.tLog().stop();
        m_logFile.close();
        m_loggingActive = false;
    }
    m_ui->lLogName->setText(m_logName + QStringLiteral(" saved."));
}

void LogPage::tLogTimer()
{
    // With the port closed the ticks send nothing; the file stays open.
    if (m_host.portActive())
        m_host.CommsRequest(QStringLiteral("ME"));
}
