// Platform: the serial component's advanced settings dialog.
#pragma once

#include <QDialog>
#include <memory>

class TSerialPortNG;

class TSerialNGAdvDLG : public QDialog {
    Q_OBJECT
public:
    explicit TSerialNGAdvDLG(QWidget* parent = nullptr);
    ~TSerialNGAdvDLG() override;

    // Modal; 1 for OK, 2 for Cancel.
    int exec() override;

    struct Impl;
    std::unique_ptr<Impl> d;
};

// Sets every control of the dialog from the port, including its port list
// (the port in use selected, or the second item when it is not listed).
void LoadDialogFromPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port);
// Copies the dialog into the port: the port name first, Active last (from "OpenPort").
void ApplyDialogToPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port);
