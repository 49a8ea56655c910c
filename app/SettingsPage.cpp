#include "SettingsPage.h"

#include "Clock.h"
#include "PanelHost.h"
#include "SerialPortNG.h"
#include "ui_SettingsPage.h"

#include <QSignalBlocker>
#include <algorithm>

SettingsPage::SettingsPage(PanelHost& host, TSerialPortNG& port, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::SettingsPage>()), m_host(host), m_port(port)
{
    ui->setupUi(this);
    connect(ui->CBPort, &QComboBox::activated, this, &SettingsPage::CBPortChange);
}

SettingsPage::~SettingsPage() = default;

QComboBox* SettingsPage::CBPort() const
{
    return ui->CBPort;
}

void SettingsPage::refreshPortList()
{
    QStringList items;
    for (int i = 0; i < ui->CBPort->count(); ++i)
        items << ui->CBPort->itemText(i);
    if (m_lister)
        m_lister(items);
    else
        TSerialPortNG::FillPortList(items);
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });

    const QSignalBlocker blocker(ui->CBPort);
    ui->CBPort->clear();
    ui->CBPort->addItems(items);
    const QString inUse = m_port.CommPort();
    int index = -1;
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].compare(inUse, Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    }
    if (index < 0 && items.size() >= 2)
        index = 1;
    ui->CBPort->setCurrentIndex(index);
}

void SettingsPage::CBPortChange()
{
    const QString port = ui->CBPort->currentText();
    m_port.setCommPort(port);
    m_port.setActive(true);
    m_host.CommsRequest(QStringLiteral("ID"));
    appClock().sleep(100);
    m_host.CommsRequest(QStringLiteral("SU"));
}
