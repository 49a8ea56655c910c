// The Coefficients page: the four coefficient fields eCoeff_A, eCoeff_B,
// eCoeff_C and eCoeff_R, the input channel label, and the
// Send/Read/Load/Save/Print buttons with their file-name labels.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class CoefficientsPage;
}

class CoefficientsPage : public QWidget {
    Q_OBJECT

public:
    explicit CoefficientsPage(QWidget* parent = nullptr);
    ~CoefficientsPage() override;

    // Channel name shown in the box at the top left.
    void setInputLabel(const QString& input);

private:
    std::unique_ptr<Ui::CoefficientsPage> m_ui;
};
