// The Probe page: the smart probe's correction table grid SGPTable, its serial
// number field ePSerial, the input channel label, and the
// Initialise/Send/Read/Clear/Load/Save/Print buttons with their file-name labels.
#pragma once

#include <QWidget>
#include <memory>

class QTableWidget;

namespace Ui {
class ProbePage;
}

class ProbePage : public QWidget {
    Q_OBJECT

public:
    explicit ProbePage(QWidget* parent = nullptr);
    ~ProbePage() override;

    // Row 0 is the header row; rows 1 to 10 hold the table.
    QTableWidget* SGPTable() const;
    // Writes "Ohms" and "Deg.C" into row 0.
    void putHeaders();

private:
    std::unique_ptr<Ui::ProbePage> m_ui;
};
