#include "Clock.h"

#include <QCoreApplication>
#include <QThread>

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

namespace {
SystemClock g_systemClock;
Clock* g_clock = &g_systemClock;
} // namespace

Clock& appClock()
{
    return *g_clock;
}

void setAppClock(Clock* clock)
{
    g_clock = clock ? clock : &g_systemClock;
}

void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
