// Link: the errors that user actions and reply decoders raise, and the one
// guard that reports them.
#pragma once

#include <QString>
#include <functional>
#include <stdexcept>

// Base of the program's own errors; the text is what the user sees.
class PanelError : public std::runtime_error {
public:
    explicit PanelError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// A text that does not convert to a number, or a missing field.
class ConversionError : public PanelError {
public:
    using PanelError::PanelError;
};

// A file that cannot be created, opened, read or written.
class FileError : public PanelError {
public:
    using PanelError::PanelError;
};

// Runs a user action; a PanelError (or any std::exception) it raises is shown
// in one error box and ends the action. Returns false when it failed.
bool guardedAction(const std::function<void()>& action);

// Reply field by index; throws ConversionError when the reply is shorter.
QString fieldAt(const QStringList& fields, int index);
