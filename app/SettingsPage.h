// App: the Settings page, the choice of the serial port.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class SettingsPage;
}
class PanelHost;
class TSerialPortNG;
class QComboBox;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(PanelHost& host, TSerialPortNG& port, QWidget* parent = nullptr);
    ~SettingsPage() override;

    // Adds the ports present to CBPort (sorted, letter case ignored) and
    // selects the port in use, or the second item when it is not listed.
    void refreshPortList();
    QComboBox* CBPort() const;
    // Where the ports present come from (the serial component's list); tests
    // may give their own.
    void setPortLister(std::function<void(QStringList&)> lister) { m_lister = std::move(lister); }

public slots:
    // The user picked a port: switch to it and ask the instrument who it is.
    void CBPortChange();

private:
    std::unique_ptr<Ui::SettingsPage> ui;
    PanelHost& m_host;
    TSerialPortNG& m_port;
    std::function<void(QStringList&)> m_lister;
};
