// Live: the Log page and the "ME" decoding. Shows the measured value on this
// page and the Main page, and logs to the PC: while logging runs, the logging
// timer asks for a measurement every 1 to 3600 seconds and every measured
// value that arrives is appended, with the local date and time, to the file
// "Log <stamp>.txt". Each line reaches the operating system as it is written,
// so a crash of the program loses no decoded line.
#pragma once

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

namespace Ui {
class LogPage;
}
class PanelHost;
class QDateTime;
class QLabel;

class LogPage : public QWidget {
    Q_OBJECT
public:
    explicit LogPage(PanelHost& host, QWidget* parent = nullptr);
    // Closes an open log file with every line in it.
    ~LogPage() override;

    // "ME" reply: field 1 into both measured-value labels and, while logging,
    // one line into the log file. Throws ConversionError when field 1 is
    // missing (nothing changes) and FileError when the line cannot be written
    // (the labels are set, logging goes on).
    void decodeMeasurement(QStringList& fields);
    // The Main page's measured value.
    void setMainValueLabel(QLabel* label);
    // Channel, sensor and units labels, written by the page synchronisation.
    void setSyncLabels(const QString& input, const QString& sensor, const QString& units);

    bool loggingActive() const { return m_loggingActive; }
    // Name of the log last started, without ".txt" (kept after Stop).
    QString logName() const { return m_logName; }

    // The date and time of a log line: the locale's short date, a blank and
    // its long time (without time zone); the time is left out at exactly
    // midnight. A locale without regional settings (the "C" locale) gives
    // dd/MM/yyyy HH:mm:ss.
    static QString logDateTimeText(const QDateTime& when, const QLocale& locale);
    // Pins the locale of the log lines; by default the system's is read at each line.
    void setDateTimeLocale(const QLocale& locale) { m_locale = locale; }

public slots:
    void bStartClick();
    void bStopClick();
    void tLogTimer();

private:
    void startLogging();
    void appendLine(const QString& value);

    PanelHost& m_host;
    std::unique_ptr<Ui::LogPage> m_ui;
    QLabel* m_mainValue = nullptr;
    bool m_loggingActive = false;
    QFile m_logFile;
    QString m_logName;
    std::optional<QLocale> m_locale;
};
