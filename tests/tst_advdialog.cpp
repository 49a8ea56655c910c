// The advanced serial settings dialog: loading from and applying to the port,
// the port-list selection rule, its results, and refusal of invalid entries.

#include "SerialNGAdvDLG.h"
#include "SerialPortNG.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

namespace {
// A pseudo-terminal whose slave the port can open; the slave is held open.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(::ptsname(master));
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    }
    ~Pty()
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    speed_t speed() const
    {
        termios tio{};
        ::tcgetattr(slave, &tio);
        return cfgetospeed(&tio);
    }
};

// Every setting of the port as text, to compare two ports.
QStringList describe(const TSerialPortNG& p)
{
    auto c = [](char ch) { return QString::number(static_cast<unsigned char>(ch)); };
    return {p.CommPort(),
            QString::number(p.BaudRate()),
            QString::number(p.DataBits()),
            QString::number(p.StopBits()),
            QString::number(p.ParityType()),
            QString::number(p.FlowControl()),
            QString::number(p.RTOCharDelayTime()),
            QString::number(p.RTOExtraDelayTime()),
            QString::number(p.ClusterSize()),
            QString::number(p.WTOCharDelayTime()),
            QString::number(p.WTOExtraDelayTime()),
            QString::number(p.XTOAuto()),
            c(p.XONChar()),
            c(p.XOFFChar()),
            QString::number(p.XONLimDiv()),
            QString::number(p.XOFFLimDiv()),
            QString::number(p.ParityErrorReplacement()),
            c(p.ParityErrorChar()),
            QString::number(p.StripNullChars()),
            QString::number(p.ErrorNoise()),
            c(p.EventChar()),
            QString::number(p.Active())};
}

// Runs act once on the first modal widget that match accepts.
void onModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, match, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !match(w))
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

bool isDialog(QWidget* w)
{
    return qobject_cast<TSerialNGAdvDLG*>(w) != nullptr;
}

bool isMessageBox(QWidget* w)
{
    return qobject_cast<QMessageBox*>(w) != nullptr;
}

template <typename T> T* control(TSerialNGAdvDLG& dialog, const char* name)
{
    T* w = dialog.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
} // namespace

class TestAdvDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows)
            w->close();
    }

    void captionAndDefaultButton()
    {
        TSerialNGAdvDLG dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Advanced Settings"));
        QVERIFY(control<QPushButton>(dialog, "bOK")->isDefault());
        QVERIFY(!control<QPushButton>(dialog, "bCancel")->isDefault());
    }

    void loadThenApplyCopiesEverySetting()
    {
        TSerialPortNG source;
        source.setCommPort(QStringLiteral("COM3"));
        source.setBaudRate(9600);
        source.setDataBits(7);
        source.setStopBits(2);
        source.setParityType(4);
        source.setFlowControl(1);
        source.setRTOCharDelayTime(11);
        source.setRTOExtraDelayTime(22);
        source.setClusterSize(33);
        source.setWTOCharDelayTime(44);
        source.setWTOExtraDelayTime(55);
        source.setXTOAuto(true);
        source.setXONChar('A');
        source.setXOFFChar('\0');
        source.setXONLimDiv(12);
        source.setXOFFLimDiv(34);
        source.setParityErrorReplacement(true);
        source.setParityErrorChar('\xFE');
        source.setStripNullChars(true);
        source.setErrorNoise(9);
        source.setEventChar('\n');

        TSerialNGAdvDLG dialog;
        control<QComboBox>(dialog, "cbPort")->addItems({"COM1", "COM3"});
        LoadDialogFromPort(dialog, source);
        QCOMPARE(control<QComboBox>(dialog, "cbPort")->currentText(), QStringLiteral("COM3"));
        QCOMPARE(control<QLineEdit>(dialog, "eClusterSize")->text(), QStringLiteral("33"));
        QCOMPARE(control<QLineEdit>(dialog, "eXONChar")->text(), QStringLiteral("65"));

        TSerialPortNG target;
        ApplyDialogToPort(dialog, target);
        QCOMPARE(describe(target), describe(source));

        // Edits reach the port; a number entry may use the registry's hex forms.
        control<QComboBox>(dialog, "cbBaudRate")->setCurrentText(QStringLiteral("115200"));
        control<QLineEdit>(dialog, "eXOFFChar")->setText(QStringLiteral("$13"));
        control<QCheckBox>(dialog, "chkStripNullChars")->setChecked(false);
        ApplyDialogToPort(dialog, target);
        QCOMPARE(target.BaudRate(), 115200);
        QCOMPARE(target.XOFFChar(), '\x13');
        QVERIFY(!target.StripNullChars());
    }

    // The name is set before the port is opened, and the open state last.
    void applyOpensTheNamedPortLast()
    {
        Pty pty;
        QVERIFY(pty.slave >= 0);
        TSerialPortNG port;
        port.setCommPort(QStringLiteral("/dev/does-not-exist-42"));
        TSerialNGAdvDLG dialog;
        LoadDialogFromPort(dialog, port);
        control<QComboBox>(dialog, "cbPort")->setEditText(pty.path);
        control<QComboBox>(dialog, "cbBaudRate")->setCurrentText(QStringLiteral("9600"));
        control<QCheckBox>(dialog, "chkOpenPort")->setChecked(true);
        ApplyDialogToPort(dialog, port);
        QVERIFY(port.Active());
        QCOMPARE(port.CommPort(), pty.path);
        QCOMPARE(pty.speed(), speed_t(B9600));

        LoadDialogFromPort(dialog, port);
        QVERIFY(control<QCheckBox>(dialog, "chkOpenPort")->isChecked());
        control<QCheckBox>(dialog, "chkOpenPort")->setChecked(false);
        ApplyDialogToPort(dialog, port);
        QVERIFY(!port.Active());
    }

    void portSelection_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("inUse");
        QTest::addColumn<QString>("selected");
        // System ports here are named tty..., which sort after these.
        QTest::newRow("in use, other case") << QStringList{"COM1", "COM3"} << "com3"
                                            << "COM3";
        QTest::newRow("not listed: second item") << QStringList{"COM3", "COM1"} << "COM2"
                                                 << "COM3";
        QTest::newRow("sorted ignoring case") << QStringList{"COM2", "com1", "COM10"} << "X"
                                              << "COM10";
    }
    void portSelection()
    {
        QFETCH(QStringList, listed);
        QFETCH(QString, inUse);
        QFETCH(QString, selected);
        TSerialPortNG port;
        port.setCommPort(inUse);
        TSerialNGAdvDLG dialog;
        auto* box = control<QComboBox>(dialog, "cbPort");
        box->addItems(listed);
        LoadDialogFromPort(dialog, port);
        QCOMPARE(box->currentText(), selected);
        for (const QString& name : listed)
            QVERIFY(box->findText(name) >= 0);
    }

    void fewerThanTwoPortsSelectsNothing()
    {
        QStringList present;
        TSerialPortNG::FillPortList(present);
        if (present.size() >= 2)
            QSKIP("this machine has two or more serial ports");
        TSerialPortNG port;
        port.setCommPort(QStringLiteral("COM4"));
        TSerialNGAdvDLG dialog;
        LoadDialogFromPort(dialog, port);
        auto* box = control<QComboBox>(dialog, "cbPort");
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->currentText(), QString());

        // An empty port entry keeps the port in use.
        ApplyDialogToPort(dialog, port);
        QCOMPARE(port.CommPort(), QStringLiteral("COM4"));
    }

    void results_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("OK button") << "bOK" << 1;
        QTest::newRow("Enter presses OK") << "enter" << 1;
        QTest::newRow("Cancel button") << "bCancel" << 2;
        QTest::newRow("Escape") << "escape" << 2;
    }
    void results()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        TSerialPortNG port;
        TSerialNGAdvDLG dialog;
        LoadDialogFromPort(dialog, port);
        onModal(isDialog, [&](QWidget*) {
            auto* field = control<QLineEdit>(dialog, "eErrorNoise");
            if (how == "enter")
                QTest::keyClick(field, Qt::Key_Return);
            else if (how == "escape")
                QTest::keyClick(field, Qt::Key_Escape);
            else
                control<QPushButton>(dialog, qPrintable(how))->click();
        });
        QCOMPARE(dialog.exec(), result);
    }

    void invalidEntryIsRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("not a number") << "eClusterSize"
                                      << "abc"
                                      << "Block size";
        QTest::newRow("negative time") << "eRTOExtraDelayTime"
                                       << "-1"
                                       << "Receive, extra";
        QTest::newRow("character code too big") << "eXONChar"
                                                << "300"
                                                << "XON character";
        QTest::newRow("decimal fraction") << "eWTOCharDelayTime"
                                          << "4.3"
                                          << "Send, per character";
        QTest::newRow("baud rate") << "cbBaudRate"
                                   << "fast"
                                   << "Baud rate";
    }
    void invalidEntryIsRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, named);
        TSerialPortNG port;
        TSerialNGAdvDLG dialog;
        LoadDialogFromPort(dialog, port);
        QWidget* entry = dialog.findChild<QWidget*>(field);
        QVERIFY(entry);
        const auto setText = [&](const QString& t) {
            if (auto* e = qobject_cast<QLineEdit*>(entry))
                e->setText(t);
            else
                qobject_cast<QComboBox*>(entry)->setCurrentText(t);
        };
        setText(text);

        QString message;
        bool openAfterBox = false;
        onModal(isDialog, [&](QWidget*) {
            onModal(isMessageBox, [&](QWidget* box) {
                message = qobject_cast<QMessageBox*>(box)->text();
                onModal(isDialog, [&](QWidget*) {
                    openAfterBox = dialog.isVisible();
                    setText(QStringLiteral("7"));
                    control<QPushButton>(dialog, "bOK")->click();
                });
                QTest::keyClick(box, Qt::Key_Return);
            });
            control<QPushButton>(dialog, "bOK")->click();
        });
        QCOMPARE(dialog.exec(), 1);
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY(openAfterBox);
    }
};

QTEST_MAIN(TestAdvDialog)
#include "tst_advdialog.moc"
