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

    // Modal; 1 for OK, 2 for Cancel (also the Escape key and the close box).
    int exec() override;
    // OK: checks every entry first; an invalid one is named in a message box
    // and the dialog stays open.
    void accept() override;
    void reject() override;

    // Controls, by objectName: cbPort (editable; an empty text keeps the port
    // in use), cbBaudRate (editable), cbDataBits, cbStopBits, cbParity,
    // cbFlowControl, chkOpenPort, eRTOCharDelayTime, eRTOExtraDelayTime,
    // eClusterSize, eWTOCharDelayTime, eWTOExtraDelayTime, chkXTOAuto,
    // eXONChar, eXOFFChar, eXONLimDiv, eXOFFLimDiv, chkParityErrorReplacement,
    // eParityErrorChar, chkStripNullChars, eErrorNoise, eEventChar, bOK,
    // bCancel. Character fields hold the character's code (17, $11 or 0x11).

    struct Impl;
    std::unique_ptr<Impl> d;
};

// Sets every control of the dialog from the port, including its port list
// (the port in use selected, or the second item when it is not listed).
void LoadDialogFromPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port);
// Copies the dialog into the port: the port name first, Active last (from "OpenPort").
void ApplyDialogToPort(TSerialNGAdvDLG& dialog, TSerialPortNG& port);
