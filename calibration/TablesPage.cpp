#include "TablesPage.h"

#include "CorrectionGrid.h"
#include "ui_TablesPage.h"

TablesPage::TablesPage(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::TablesPage>())
{
    m_ui->setupUi(this);
    CorrectionGrid::setUp(m_ui->SGTable);
}

TablesPage::~TablesPage() = default;

void TablesPage::setInputLabels(const QString& input, const QString& sensor)
{
    m_ui->lTablesInput->setText(input);
    m_ui->lTablesSensor->setText(sensor);
}

QTableWidget* TablesPage::SGTable() const
{
    return m_ui->SGTable;
}

void TablesPage::putHeaders()
{
    CorrectionGrid::putHeaders(m_ui->SGTable, QStringLiteral("Values"), QStringLiteral("Deg.C"));
}
