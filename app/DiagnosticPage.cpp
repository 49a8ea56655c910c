#include "DiagnosticPage.h"

#include "SerialNGAdvDLG.h"
#include "SerialPortNG.h"
#include "ui_DiagnosticPage.h"

DiagnosticPage::DiagnosticPage(TSerialPortNG& port, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::DiagnosticPage>()), m_port(port)
{
    ui->setupUi(this);
    // The trace and the error list only grow: no undo history for them.
    ui->Terminal->setUndoRedoEnabled(false);
    ui->ErrorMemo->setUndoRedoEnabled(false);
    connect(ui->bSettings, &QPushButton::clicked, this, &DiagnosticPage::bSettingsClick);
}

DiagnosticPage::~DiagnosticPage() = default;

void DiagnosticPage::fillControls(ChannelControls& controls) const
{
    controls.Terminal = ui->Terminal;
    controls.SendEdit = ui->SendEdit;
    controls.SendBtn = ui->SendBtn;
    controls.CBRecordErrors = ui->CBRecordErrors;
    controls.MaxErrorEdit = ui->MaxErrorEdit;
    controls.ErrorMemo = ui->ErrorMemo;
}

void DiagnosticPage::bSettingsClick()
{
    if (!m_dialog)
        return;
    LoadDialogFromPort(*m_dialog, m_port);
    if (m_dialog->exec() == 1)
        ApplyDialogToPort(*m_dialog, m_port);
}
