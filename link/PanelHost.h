// Link: what the pages need of the main window: the command channel, the
// shared instrument state, the page control, the port and the two timers.
#pragma once

#include "InstrumentState.h"

#include <QString>

class QTimer;

// Index of each page of the page control (also what "ActivePage" stores).
enum PageIndex {
    PageMain = 0,
    PageTables = 1,
    PageCoefficients = 2,
    PageProbe = 3,
    PageLog = 4,
    PageMemory = 5,
    PageSettings = 6,
    PageDiagnostic = 7,
    PageAbout = 8,
    PageHelp = 9,
};

class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Sends one command through the command channel (waits for the previous reply).
    virtual void CommsRequest(const QString& command) = 0;
    virtual InstrumentState& instrumentState() = 0;
    // Index of the page shown now.
    virtual int activePageIndex() const = 0;
    // The serial port is open.
    virtual bool portActive() const = 0;
    virtual QString windowTitleText() const = 0;
    virtual void setWindowTitleText(const QString& title) = 0;
    // Brings the Settings page's port list up to date.
    virtual void refreshPortList() = 0;
    // Labels of the Tables and Coefficients pages that the page synchronisation writes.
    virtual void setTablesLabels(const QString& input, const QString& sensor) = 0;
    virtual void setCoefficientsInputLabel(const QString& input) = 0;
    // The window's timers: auto-measure (Main page) and logging (Log page).
    virtual QTimer& tAuto() = 0;
    virtual QTimer& tLog() = 0;
};
