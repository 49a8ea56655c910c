// Live: the Main page. Shows the instrument's settings as last reported,
// sends the user's changes as one setting command followed by "SU", decodes
// the "ID" (model, window title) and "SU" (settings) replies, and runs the
// page synchronisation for the whole window (this page, the channel, sensor
// and units labels of the other pages, and the page-entry requests). Also
// holds the "Measure" box: one measurement on demand and auto-measure.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>

namespace Ui {
class MainPage;
}
class LogPage;
class PanelHost;
class QComboBox;
class QGroupBox;
class QLabel;

class MainPage : public QWidget {
    Q_OBJECT
public:
    explicit MainPage(PanelHost& host, QWidget* parent = nullptr);
    ~MainPage() override;

    // "ID" reply: ModelIndex from field 1, the window title from fields 2 and 3.
    // Throws ConversionError for a missing or non-integer field; what was set
    // before the failing field stays.
    void decodeId(QStringList& fields);
    // "SU" reply: fields 2 to 10 into the instrument state, then the page
    // synchronisation. Throws ConversionError at the first missing or
    // non-integer field; the values stored before it stay, no synchronisation.
    void decodeSetup(QStringList& fields);

    // The Log page whose channel, sensor and units labels the synchronisation writes.
    void setLogPage(LogPage* page);
    // The measured value of the Main page (written by the "ME" decoding).
    QLabel* measuredValueLabel() const;

    // Code to text for the page labels.
    static QString InputName(int32_t code);
    static QString SensorName(int32_t code);
    // Colours of an enabled and of a disabled box.
    static QColor clBtnFace();
    static QColor clActiveBorder();

public slots:
    // The page synchronisation: redraws this page from the instrument state,
    // writes the other pages' labels and sends the entry requests of the page
    // shown now.
    void PageControl1Change();

    void cbInputChange();
    void cbSensorAChange();
    void cbSensorBChange();
    void cbUnitsChange();
    void cbResolutionChange();
    void cbCoeffAChange();
    void cbCorrAChange();
    void bRefreshClick();
    void bLocalClick();

    void bMeasureClick();
    void cbAutoClick();
    void eAutoExit();
    void tAutoTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showDesignState();
    void connectSelector(QComboBox* box, void (MainPage::*handler)());
    // The item the user chose: the one whose text the selector shows, -1 when none.
    static int chosenIndex(const QComboBox* box);
    // Sensor that governs the units list and the units command.
    int32_t unitsSensor() const;
    // Sensor shown by the sensor labels.
    int32_t labelSensor() const;
    void sendSetting(const QString& command);
    void sendSettingAfterPause(const QString& command);
    static void paintBox(QGroupBox* box, const QColor& colour);
    void setBoxState(QGroupBox* box, bool enabled);

    PanelHost& m_host;
    std::unique_ptr<Ui::MainPage> m_ui;
    LogPage* m_logPage = nullptr;
    // Non-zero while a selector handles leaving or Return: its "activated" is not the user's.
    int m_quietSelectors = 0;
};
