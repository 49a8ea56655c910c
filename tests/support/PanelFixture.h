// A main window started against a settings file in a temporary folder, with
// boxes recorded instead of shown.
#pragma once

#include "TestDoubles.h"

#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class TForm1;

class PanelFixture {
public:
    PanelFixture();
    ~PanelFixture();

    QString settingsPath() const;
    // Writes a text value into the settings file before the window starts.
    void preset(const QString& section, const QString& name, const QString& value);
    // Writes a value of another type than text (a binary value).
    void presetNonText(const QString& section, const QString& name, int value);
    // Reads back a stored value ("" when missing).
    QString stored(const QString& section, const QString& name) const;
    QStringList storedKeys(const QString& section) const;

    // Starts the window (runs the start-up sequence).
    TForm1& start();
    // Closes it as the close box would; the window is freed.
    void closeWindow();
    TForm1* form() const { return m_form.data(); }

    RecordingDialogs dialogs;

private:
    QTemporaryDir m_dir;
    QPointer<TForm1> m_form;
    std::unique_ptr<ScopedDialogs> m_scopedDialogs;
};
