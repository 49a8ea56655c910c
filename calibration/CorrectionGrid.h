// Shape of the two correction-table grids (Tables and Probe pages): a header
// row 0 that cannot be edited above ten editable data rows, two columns.
#pragma once

class QString;
class QTableWidget;

namespace CorrectionGrid {

constexpr int Columns = 2;
constexpr int DataRows = 10;
constexpr int Rows = DataRows + 1;
constexpr int RowHeight = 24;
constexpr int Column0Width = 109;
constexpr int Column1Width = 102;

// Column widths, row heights and one empty item in every cell; row 0 is drawn
// like a header and is not editable.
void setUp(QTableWidget* grid);
// Texts of the header row.
void putHeaders(QTableWidget* grid, const QString& column0, const QString& column1);

} // namespace CorrectionGrid
