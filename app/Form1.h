// App: the main window. Owns the shared state (instrument state, channel),
// the pages, the serial component and the timers; runs start-up and shutdown.
#pragma once

#include "CommandChannel.h"
#include "InstrumentState.h"
#include "PanelHost.h"
#include "ReplyDispatcher.h"
#include "SerialPortNG.h"

#include <QPrinter>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm1;
}
class CoefficientsPage;
class DiagnosticPage;
class LogPage;
class MainPage;
class MemoryPage;
class ProbePage;
class SettingsPage;
class TablesPage;
class TSerialNGAdvDLG;
class QTabWidget;

class TForm1 : public QWidget, public PanelHost, public ReplyDecoders {
    Q_OBJECT
public:
    // Builds the window and runs the start-up sequence (FormCreate).
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    static QString baseTitle();

    void setAdvancedDialog(TSerialNGAdvDLG* dialog);

    // PanelHost
    void CommsRequest(const QString& command) override;
    InstrumentState& instrumentState() override { return m_state; }
    int activePageIndex() const override;
    bool portActive() const override;
    QString windowTitleText() const override;
    void setWindowTitleText(const QString& title) override;
    void refreshPortList() override;
    void setTablesLabels(const QString& input, const QString& sensor) override;
    void setCoefficientsInputLabel(const QString& input) override;
    QTimer& tAuto() override { return m_tAuto; }
    QTimer& tLog() override { return m_tLog; }

    // ReplyDecoders
    void decodeId(QStringList& fields) override;
    void decodeSetup(QStringList& fields) override;
    void decodeMeasurement(QStringList& fields) override;

    // Parts for tests and for the pages of later features.
    TSerialPortNG& SerialPortNG1() { return m_port; }
    CommandChannel& channel() { return *m_channel; }
    QTabWidget* PageControl1() const;
    MainPage* mainPage() const { return m_mainPage; }
    LogPage* logPage() const { return m_logPage; }
    SettingsPage* settingsPage() const { return m_settingsPage; }
    DiagnosticPage* diagnosticPage() const { return m_diagnosticPage; }
    TablesPage* tablesPage() const { return m_tablesPage; }
    CoefficientsPage* coefficientsPage() const { return m_coefficientsPage; }
    ProbePage* probePage() const { return m_probePage; }
    MemoryPage* memoryPage() const { return m_memoryPage; }
    QPrinter& printer() { return m_printer; }
    int DiagnosticLevel = 0;

public slots:
    void bExitClick();
    // The user changed the tab.
    void PageControl1Change();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void readControlSection();
    void writeControlSection();
    void setActivePageQuietly(int index);

    std::unique_ptr<Ui::TForm1> ui;
    TSerialPortNG m_port;
    std::unique_ptr<CommandChannel> m_channel;
    InstrumentState m_state;
    QTimer m_tLog;
    QTimer m_tAuto;
    QPrinter m_printer;
    bool m_closed = false;

    MainPage* m_mainPage = nullptr;
    TablesPage* m_tablesPage = nullptr;
    CoefficientsPage* m_coefficientsPage = nullptr;
    ProbePage* m_probePage = nullptr;
    LogPage* m_logPage = nullptr;
    MemoryPage* m_memoryPage = nullptr;
    SettingsPage* m_settingsPage = nullptr;
    DiagnosticPage* m_diagnosticPage = nullptr;
};
