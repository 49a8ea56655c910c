// Test doubles of the Main and Log page tests: a host that records what the
// pages send and write, and a clock that records the pauses among them.
#pragma once

#include "Clock.h"
#include "PanelHost.h"

#include <QDateTime>
#include <QStringList>
#include <QTimer>

inline const QString kBaseTitle =
    QStringLiteral("Morvane Control Panel 6 November 2013 Version 1.3");

// Reply fields as the dispatcher splits a reply of blank-separated words.
inline QStringList fieldsOf(const QString& reply)
{
    return reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Pins the time; records every pause among the commands, in order.
class EventClock : public Clock {
public:
    explicit EventClock(QStringList& events) : m_events(events) {}
    QDateTime now() const override { return m_now; }
    void sleep(int ms) override { m_events << QStringLiteral("sleep %1").arg(ms); }
    void set(const QDateTime& now) { m_now = now; }

private:
    QStringList& m_events;
    QDateTime m_now{QDate(2013, 11, 6), QTime(14, 23, 5)};
};

class FakeHost : public PanelHost {
public:
    QStringList events; // commands sent (and the clock's pauses)
    InstrumentState state;
    int page = PageMain;
    bool active = true;
    QString title = kBaseTitle;
    QString tablesInput, tablesSensor, coefficientsInput;
    int portListRefreshes = 0;
    QTimer autoTimer, logTimer;

    FakeHost()
    {
        autoTimer.setInterval(10000);
        logTimer.setInterval(3000);
    }
    void CommsRequest(const QString& command) override { events << command; }
    InstrumentState& instrumentState() override { return state; }
    int activePageIndex() const override { return page; }
    bool portActive() const override { return active; }
    QString windowTitleText() const override { return title; }
    void setWindowTitleText(const QString& text) override { title = text; }
    void refreshPortList() override { ++portListRefreshes; }
    void setTablesLabels(const QString& input, const QString& sensor) override
    {
        tablesInput = input;
        tablesSensor = sensor;
    }
    void setCoefficientsInputLabel(const QString& input) override { coefficientsInput = input; }
    QTimer& tAuto() override { return autoTimer; }
    QTimer& tLog() override { return logTimer; }
};
