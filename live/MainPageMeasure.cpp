// The Main page's "Measure" box: one measurement on demand, and auto-measure
// every 5 to 3600 seconds while the Main page is shown.
#include "MainPage.h"

#include "Errors.h"
#include "PanelHost.h"
#include "TextUtils.h"
#include "ui_MainPage.h"

#include <QTimer>

void MainPage::bMeasureClick()
{
    m_host.CommsRequest(QStringLiteral("ME"));
}

void MainPage::cbAutoClick()
{
    m_host.CommsRequest(QStringLiteral("ME"));
    QTimer& timer = m_host.tAuto();
    if (!m_ui->cbAuto->isChecked())
        timer.stop();
    else if (!timer.isActive())
        timer.start();
}

void MainPage::eAutoExit()
{
    guardedAction([this] {
        const int32_t seconds = qBound<int32_t>(5, StrToInt(m_ui->eAuto->text()), 3600);
        // The same period again leaves a running timer's phase alone.
        if (m_host.tAuto().interval() != seconds * 1000)
            m_host.tAuto().setInterval(seconds * 1000);
        m_ui->eAuto->setText(QString::number(seconds));
        cbAutoClick();
    });
}

void MainPage::tAutoTimer()
{
    // Ticks while another page is shown send nothing; the timer keeps running.
    if (m_host.activePageIndex() == PageMain)
        m_host.CommsRequest(QStringLiteral("ME"));
}
