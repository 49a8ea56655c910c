#include "CorrectionGrid.h"

#include <QHeaderView>
#include <QTableWidget>

namespace CorrectionGrid {

void setUp(QTableWidget* grid)
{
    grid->setColumnCount(Columns);
    grid->setRowCount(Rows);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(RowHeight);
    grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    grid->setColumnWidth(0, Column0Width);
    grid->setColumnWidth(1, Column1Width);

    const QBrush headerBackground = grid->palette().button();
    for (int row = 0; row < Rows; ++row) {
        grid->setRowHeight(row, RowHeight);
        for (int column = 0; column < Columns; ++column) {
            auto* item = new QTableWidgetItem;
            if (row == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(headerBackground);
            }
            grid->setItem(row, column, item);
        }
    }
}

void putHeaders(QTableWidget* grid, const QString& column0, const QString& column1)
{
    grid->item(0, 0)->setText(column0);
    grid->item(0, 1)->setText(column1);
}

} // namespace CorrectionGrid
