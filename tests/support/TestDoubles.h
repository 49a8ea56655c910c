// Test doubles for the platform's modal boxes and clock.
#pragma once

#include "Clock.h"
#include "Dialogs.h"

#include <QStringList>

// Records every box instead of showing it; answers questions and file
// dialogs from preset values.
class RecordingDialogs : public Dialogs {
public:
    struct Box {
        QString kind; // "information", "message", "error", "confirm"
        QString text;
    };
    QList<Box> boxes;
    bool confirmAnswer = true;
    QString fileToOpen;
    bool printerAnswer = false;

    void information(const QString& text) override { boxes.append({QStringLiteral("information"), text}); }
    void message(const QString& text) override { boxes.append({QStringLiteral("message"), text}); }
    void error(const QString& text) override { boxes.append({QStringLiteral("error"), text}); }
    bool confirm(const QString& text) override
    {
        boxes.append({QStringLiteral("confirm"), text});
        return confirmAnswer;
    }
    QString openFileName(const QString&) override { return fileToOpen; }
    bool printerSetup(QPrinter&) override { return printerAnswer; }
    QStringList texts() const
    {
        QStringList out;
        for (const Box& b : boxes)
            out << b.text;
        return out;
    }
};

// A clock pinned to a given time; sleeps advance it without waiting.
class PinnedClock : public Clock {
public:
    explicit PinnedClock(const QDateTime& start) : m_now(start) {}
    QDateTime now() const override { return m_now; }
    void sleep(int ms) override
    {
        m_now = m_now.addMSecs(ms);
        sleptMs += ms;
    }
    void set(const QDateTime& t) { m_now = t; }
    qint64 sleptMs = 0;

private:
    QDateTime m_now;
};

// Installs a double for the lifetime of a scope.
template <typename T, void (*Set)(T*)>
class ScopedInstall {
public:
    explicit ScopedInstall(T* value) { Set(value); }
    ~ScopedInstall() { Set(nullptr); }
    ScopedInstall(const ScopedInstall&) = delete;
    ScopedInstall& operator=(const ScopedInstall&) = delete;
};
using ScopedDialogs = ScopedInstall<Dialogs, setAppDialogs>;
using ScopedClock = ScopedInstall<Clock, setAppClock>;
