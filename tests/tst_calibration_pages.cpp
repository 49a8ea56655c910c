// The four calibration pages as built from their forms: control names,
// captions and hints, the two grids' header rows, and the memory slot controls
// that the Memory page builds in code.
#include "CoefficientsPage.h"
#include "MemoryPage.h"
#include "ProbePage.h"
#include "TablesPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace {

struct Pages {
    TablesPage tables;
    CoefficientsPage coefficients;
    ProbePage probe;
    MemoryPage memory;

    QWidget* byName(const QString& name)
    {
        for (QWidget* page : {static_cast<QWidget*>(&tables), static_cast<QWidget*>(&coefficients),
                              static_cast<QWidget*>(&probe), static_cast<QWidget*>(&memory)}) {
            if (page->objectName() == name)
                return page;
        }
        return nullptr;
    }
};

} // namespace

class TstCalibrationPages : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void grids_data();
    void grids();
    void memorySlotLayout();
    void memorySlotsBuiltOnce();
};

void TstCalibrationPages::controls_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");

    struct Row {
        const char* page;
        const char* name;
        const char* className;
        const char* text;
        const char* toolTip;
    };
    const Row rows[] = {
        {"TSTables", "lTablesInput", "QLabel", "A", "Current input channel"},
        {"TSTables", "lTablesSensor", "QLabel", "PRT", "Current sensor type"},
        {"TSTables", "SGTable", "QTableWidget", nullptr, ""},
        {"TSTables", "bTables_Send", "QPushButton", "Send",
         "Click to send Correction table to the instrument"},
        {"TSTables", "bTables_Read", "QPushButton", "Read",
         "Click to read Correction table from the instrument"},
        {"TSTables", "bTables_Clear", "QPushButton", "Clear", "Click to clear the table on the window"},
        {"TSTables", "bTables_Load", "QPushButton", "Load", "Load Correction table from file"},
        {"TSTables", "bTables_Save", "QPushButton", "Save", "Save Correction table to file"},
        {"TSTables", "bTables_Print", "QPushButton", "Print", "Print correction table"},
        {"TSTables", "lCorFN", "QLabel", "", ""},
        {"TSTables", "lCorFilename", "QLabel", "", ""},

        {"TSCoefficients", "lCoefficientsInput", "QLabel", "A", "Current input channel"},
        {"TSCoefficients", "lA", "QLabel", "A", ""},
        {"TSCoefficients", "eCoeff_A", "QLineEdit", "0.0", ""},
        {"TSCoefficients", "lB", "QLabel", "B", ""},
        {"TSCoefficients", "eCoeff_B", "QLineEdit", "0.0", ""},
        {"TSCoefficients", "lC", "QLabel", "C", ""},
        {"TSCoefficients", "eCoeff_C", "QLineEdit", "0.0", ""},
        {"TSCoefficients", "lR", "QLabel", "Rt0", ""},
        {"TSCoefficients", "eCoeff_R", "QLineEdit", "0.0", ""},
        {"TSCoefficients", "bCoefficients_Send", "QPushButton", "Send",
         "Send coefficients to instrument"},
        {"TSCoefficients", "bCoeff_Read", "QPushButton", "Read", "Read coefficients from instrument"},
        {"TSCoefficients", "bCoeff_Load", "QPushButton", "Load", "Load coefficients from file"},
        {"TSCoefficients", "bCoeff_Save", "QPushButton", "Save", "Save coefficients to file"},
        {"TSCoefficients", "bCoeff_Print", "QPushButton", "Print", "Print coefficients"},
        {"TSCoefficients", "lCoefFN", "QLabel", "", ""},
        {"TSCoefficients", "lCoefFilename", "QLabel", "", ""},

        {"TSProbe", "GroupBox19", "QGroupBox", nullptr, ""},
        {"TSProbe", "Label2", "QLabel", "A", "Current input channel"},
        {"TSProbe", "GroupBox31", "QGroupBox", nullptr, ""},
        {"TSProbe", "Label10", "QLabel", "Serial No.", ""},
        {"TSProbe", "ePSerial", "QLineEdit", "No Probe", "No Smart Probe or Serial Number"},
        {"TSProbe", "SGPTable", "QTableWidget", nullptr, ""},
        {"TSProbe", "Button2", "QPushButton", "Initialise",
         "Click to initialise (empty) correction table in the instrument"},
        {"TSProbe", "bProbe_send", "QPushButton", "Send", "Send data to probe"},
        {"TSProbe", "bProbe_Read", "QPushButton", "Read", "Read data from probe"},
        {"TSProbe", "Button1", "QPushButton", "Clear", "Click to clear the table on the window"},
        {"TSProbe", "bProbeLoad", "QPushButton", "Load", "Load data from file"},
        {"TSProbe", "lProbeSave", "QPushButton", "Save", "Save data to file"},
        {"TSProbe", "lProbePrint", "QPushButton", "Print", "Print data"},
        {"TSProbe", "lProbeFN", "QLabel", "", ""},
        {"TSProbe", "lProbeFilename", "QLabel", "", ""},

        {"TSMemory", "gbMemory", "QGroupBox", nullptr, ""},
        {"TSMemory", "mMemory", "QPlainTextEdit", nullptr, ""},
        {"TSMemory", "bMemory_Read", "QPushButton", "Read", "Click to Read Log Memory from Instrument"},
        {"TSMemory", "bMemory_Save", "QPushButton", "Save", "Click to Save Log Memory to file"},
        {"TSMemory", "bMemory_Print", "QPushButton", "Print", "Click to print Log Memory"},
        {"TSMemory", "lMemFilename", "QLabel", "", ""},
    };
    for (const Row& row : rows) {
        QTest::addRow("%s.%s", row.page, row.name)
            << row.page << row.name << row.className
            << (row.text ? QString::fromUtf8(row.text) : QString()) << row.toolTip;
    }
}

// Every control is on its page under its name, with its caption and hint; a
// null text means the control has no caption to check.
void TstCalibrationPages::controls()
{
    QFETCH(QString, page);
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);

    Pages pages;
    QWidget* pageWidget = pages.byName(page);
    QVERIFY2(pageWidget, qPrintable("no page named " + page));
    auto* control = pageWidget->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable("no control named " + name));
    QVERIFY(control->inherits(className.toLatin1().constData()));
    if (!text.isNull())
        QCOMPARE(control->property("text").toString(), text);
    QCOMPARE(control->toolTip(), toolTip);
}

void TstCalibrationPages::grids_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("header0");
    QTest::addColumn<QString>("header1");

    QTest::newRow("SGTable") << "TSTables" << "Values" << "Deg.C";
    QTest::newRow("SGPTable") << "TSProbe" << "Ohms" << "Deg.C";
}

// Header row 0 above ten editable data rows, all on screen without scrolling.
void TstCalibrationPages::grids()
{
    QFETCH(QString, page);
    QFETCH(QString, header0);
    QFETCH(QString, header1);

    Pages pages;
    QTableWidget* grid = page == "TSTables" ? pages.tables.SGTable() : pages.probe.SGPTable();
    QCOMPARE(grid->objectName(), QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(grid->rowCount(), 11);
    QCOMPARE(grid->columnWidth(0), 109);
    QCOMPARE(grid->columnWidth(1), 102);

    if (page == "TSTables")
        pages.tables.putHeaders();
    else
        pages.probe.putHeaders();
    QCOMPARE(grid->item(0, 0)->text(), header0);
    QCOMPARE(grid->item(0, 1)->text(), header1);
    for (int column = 0; column < 2; ++column) {
        QVERIFY(!(grid->item(0, column)->flags() & Qt::ItemIsEditable));
        for (int row = 1; row <= 10; ++row) {
            QVERIFY(grid->item(row, column)->flags() & Qt::ItemIsEditable);
            QVERIFY(grid->item(row, column)->text().isEmpty());
        }
    }

    QWidget* pageWidget = pages.byName(page);
    pageWidget->show();
    QVERIFY(QTest::qWaitForWindowExposed(pageWidget));
    const QRect lastCell = grid->visualItemRect(grid->item(10, 1));
    QVERIFY2(grid->viewport()->rect().contains(lastCell),
             "the last data row is not fully visible");
}

void TstCalibrationPages::memorySlotLayout()
{
    MemoryPage page;
    auto* box = page.findChild<QGroupBox*>("gbMemory");
    QVERIFY(box);
    QCOMPARE(box->title(), QString("Onboard Memory Slot"));
    QCOMPARE(box->height(), 73);
    QVERIFY(box->findChildren<QRadioButton*>().isEmpty());
    QCOMPARE(page.selectedSlot(), 0);

    page.buildMemorySlots();
    for (int s = 1; s <= 15; ++s) {
        auto* button = box->findChild<QRadioButton*>(QStringLiteral("rbM%1").arg(s));
        QVERIFY2(button, qPrintable(QStringLiteral("rbM%1 missing").arg(s)));
        QCOMPARE(page.slotButton(s), button);
        QCOMPARE(button->parentWidget(), box);
        QCOMPARE(button->text(), QString::number(s));
        QCOMPARE(button->geometry(), QRect(36 * s - 20, 24, 30, 17));
        QCOMPARE(button->isChecked(), s == 1);

        QLabel* count = page.slotCountLabel(s);
        QVERIFY(count);
        QCOMPARE(count->parentWidget(), box);
        QCOMPARE(count->geometry(), QRect(36 * s - 16, 48, 48, 13));
        QCOMPARE(count->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(page.slotCount(s), QString("1024"));
    }
    QVERIFY(!page.slotButton(0));
    QVERIFY(!page.slotButton(16));
    QVERIFY(page.slotCount(16).isEmpty());
    QCOMPARE(page.selectedSlot(), 1);

    // One slot at a time.
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTest::mouseClick(page.slotButton(3), Qt::LeftButton);
    QCOMPARE(page.selectedSlot(), 3);
    QVERIFY(!page.slotButton(1)->isChecked());
}

void TstCalibrationPages::memorySlotsBuiltOnce()
{
    MemoryPage page;
    page.buildMemorySlots();
    page.slotButton(5)->setChecked(true);
    QLabel* firstCount = page.slotCountLabel(1);

    page.buildMemorySlots();
    auto* box = page.findChild<QGroupBox*>("gbMemory");
    QCOMPARE(box->findChildren<QRadioButton*>().size(), 15);
    QCOMPARE(box->findChildren<QLabel*>().size(), 15);
    QCOMPARE(page.slotCountLabel(1), firstCount);
    QCOMPARE(page.selectedSlot(), 5);
}

QTEST_MAIN(TstCalibrationPages)
#include "tst_calibration_pages.moc"
