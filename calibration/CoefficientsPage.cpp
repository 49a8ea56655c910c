#include "CoefficientsPage.h"

#include "ui_CoefficientsPage.h"

CoefficientsPage::CoefficientsPage(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::CoefficientsPage>())
{
    m_ui->setupUi(this);
}

CoefficientsPage::~CoefficientsPage() = default;

void CoefficientsPage::setInputLabel(const QString& input)
{
    m_ui->lCoefficientsInput->setText(input);
}
