// App: the Diagnostic page: the traffic trace, the manual send, the error list
// and the button to the serial port's advanced settings.
#pragma once

#include "CommandChannel.h"

#include <QWidget>
#include <memory>

namespace Ui {
class DiagnosticPage;
}
class TSerialPortNG;
class TSerialNGAdvDLG;

class DiagnosticPage : public QWidget {
    Q_OBJECT
public:
    DiagnosticPage(TSerialPortNG& port, QWidget* parent = nullptr);
    ~DiagnosticPage() override;

    // Fills the page's share of the channel's controls.
    void fillControls(ChannelControls& controls) const;
    void setAdvancedDialog(TSerialNGAdvDLG* dialog) { m_dialog = dialog; }

public slots:
    // Shows the port's advanced settings and applies them on OK.
    void bSettingsClick();

private:
    std::unique_ptr<Ui::DiagnosticPage> ui;
    TSerialPortNG& m_port;
    TSerialNGAdvDLG* m_dialog = nullptr;
};
