#include "ProbePage.h"

#include "CorrectionGrid.h"
#include "ui_ProbePage.h"

ProbePage::ProbePage(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::ProbePage>())
{
    m_ui->setupUi(this);
    CorrectionGrid::setUp(m_ui->SGPTable);
}

ProbePage::~ProbePage() = default;

QTableWidget* ProbePage::SGPTable() const
{
    return m_ui->SGPTable;
}

void ProbePage::putHeaders()
{
    CorrectionGrid::putHeaders(m_ui->SGPTable, QStringLiteral("Ohms"), QStringLiteral("Deg.C"));
}
