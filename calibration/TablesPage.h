// The Tables page: the instrument's correction table grid SGTable, the input
// channel and sensor labels, and the Send/Read/Clear/Load/Save/Print buttons
// with their file-name labels.
#pragma once

#include <QWidget>
#include <memory>

class QTableWidget;

namespace Ui {
class TablesPage;
}

class TablesPage : public QWidget {
    Q_OBJECT

public:
    explicit TablesPage(QWidget* parent = nullptr);
    ~TablesPage() override;

    // Channel and sensor names shown in the two boxes at the top left.
    void setInputLabels(const QString& input, const QString& sensor);
    // Row 0 is the header row; rows 1 to 10 hold the table.
    QTableWidget* SGTable() const;
    // Writes "Values" and "Deg.C" into row 0.
    void putHeaders();

private:
    std::unique_ptr<Ui::TablesPage> m_ui;
};
