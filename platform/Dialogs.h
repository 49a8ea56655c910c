// Platform: modal boxes and the file and printer dialogs, behind one interface
// so tests can answer them.
#pragma once

#include <QString>

class QPrinter;
class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Notice with the information icon and an OK button.
    virtual void information(const QString& text) = 0;
    // Plain notice with an OK button.
    virtual void message(const QString& text) = 0;
    // The application's error box (conversion and file errors).
    virtual void error(const QString& text) = 0;
    // Question with Yes and No; true only for Yes.
    virtual bool confirm(const QString& text) = 0;
    // File-open dialog; empty when cancelled. Filter as "Text files (*.txt)|*.TXT".
    virtual QString openFileName(const QString& filter) = 0;
    // Printer set-up dialog; false when cancelled.
    virtual bool printerSetup(QPrinter& printer) = 0;
};

// Real modal boxes on top of the given parent (may be null).
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void information(const QString& text) override;
    void message(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    QString openFileName(const QString& filter) override;
    bool printerSetup(QPrinter& printer) override;

private:
    QWidget* m_parent;
};

// The dialogs the program uses. Starts as QtDialogs without parent.
Dialogs& appDialogs();
// Replaces them; nullptr restores the real ones. Not owned.
void setAppDialogs(Dialogs* dialogs);
