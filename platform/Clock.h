// Platform: the wall clock and plain sleeps, replaceable so tests can pin time
// and skip real waits.
#pragma once

#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time now.
    virtual QDateTime now() const = 0;
    // A plain sleep: no events are handled meanwhile.
    virtual void sleep(int ms) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override;
    void sleep(int ms) override;
};

// The clock the program uses. Starts as a SystemClock.
Clock& appClock();
// Replaces the program's clock; nullptr restores the system clock. Not owned.
void setAppClock(Clock* clock);

// Processes all pending events once (timers, input, received serial data).
void pumpEvents();
