// The serial port against a real pseudo-terminal: block forming and timing,
// one-at-a-time delivery, writes, opening and losing the device, settings on
// the line and in the registry.

#include "Registry.h"
#include "SerialPortNG.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {
QElapsedTimer g_clock;

qint64 nowMs()
{
    return g_clock.elapsed();
}

// A pseudo-terminal: the port opens the slave by its path, the test plays the
// instrument on the master. The slave is held open and raw so the master never
// reads EIO while the port is closed and bytes meet no line editing.
class Pty {
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        termios tio;
        if (m_slave >= 0 && ::tcgetattr(m_slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    ~Pty()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return m_master >= 0 && m_slave >= 0; }
    QString path() const { return m_path; }
    termios slaveTermios() const
    {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }

    // Writes all of data as the instrument, handling events while the line is full.
    void send(const QByteArray& data)
    {
        qsizetype done = 0;
        QElapsedTimer t;
        t.start();
        while (done < data.size() && t.elapsed() < 5000) {
            const ssize_t n =
                ::write(m_master, data.constData() + done, size_t(data.size() - done));
            if (n > 0)
                done += n;
            else
                QTest::qWait(1);
        }
    }
    // What the port has sent so far.
    QByteArray take()
    {
        QByteArray all;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            all.append(buf, n);
        }
        return all;
    }
    // Reads until count bytes came or timeoutMs passed.
    QByteArray takeAtLeast(int count, int timeoutMs)
    {
        QByteArray all;
        QElapsedTimer t;
        t.start();
        while (all.size() < count && t.elapsed() < timeoutMs) {
            QTest::qWait(5);
            all += take();
        }
        return all;
    }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

struct Block {
    QByteArray data;
    int flags;
    qint64 atMs;
};

// Takes every block when it is delivered and records the order of events and
// how deeply the handlers were nested.
struct Recorder {
    QList<Block> blocks;
    QList<int> writes;
    QStringList sequence;
    int depth = 0;
    int maxDepth = 0;
    std::function<void(const QByteArray&)> duringBlock;
    std::function<void()> duringWriteDone;

    void attach(TSerialPortNG& port)
    {
        QObject::connect(&port, &SerialLink::OnRxClusterEvent, &port, [this, &port] {
            maxDepth = std::max(maxDepth, ++depth);
            if (port.PendingClusterLength() >= 0) {
                const int flags = port.PendingClusterHasError();
                const QByteArray data = port.TakeCluster();
                blocks.append({data, flags, nowMs()});
                sequence.append(QStringLiteral("rx:") + QString::fromLatin1(data));
                if (duringBlock)
                    duringBlock(data);
            }
            --depth;
        });
        QObject::connect(&port, &SerialLink::OnWriteDone, &port, [this, &port] {
            maxDepth = std::max(maxDepth, ++depth);
            writes.append(port.WrittenBytes());
            sequence.append(QStringLiteral("done:%1").arg(port.WrittenBytes()));
            if (duringWriteDone)
                duringWriteDone();
            --depth;
        });
    }
    QByteArray joined() const
    {
        QByteArray all;
        for (const Block& b : blocks)
            all += b.data;
        return all;
    }
};

// Handles events for ms as a handler waiting for a reply would.
void pumpFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(10);
    }
}

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

using PortAction = std::function<void(TSerialPortNG&)>;
using TermiosCheck = std::function<bool(const termios&)>;

// The 27 stored values (the INI file behind Registry keeps no order).
const QStringList kCommsNames =
    QStringLiteral("CommPort BaudRate ParityType ParityErrorChar ParityErrorReplacement StopBits "
                   "DataBits XONChar XOFFChar "
                   "XONLimDiv XOFFLimDiv FlowControl StripNullChars EventChar RTOCharDelayTime "
                   "RTOExtraDelayTime ClusterSize RxQueueSize "
                   "TxQueueSize WTOCharDelayTime WTOExtraDelayTime XTOAuto RTSState DTRState "
                   "BREAKState ErrorNoise Active")
        .split(QLatin1Char(' '));
} // namespace

Q_DECLARE_METATYPE(PortAction)
Q_DECLARE_METATYPE(TermiosCheck)

class TestSerialPort : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_iniPath;

    // Opens a port on the pty with a recorder attached.
    static void openOn(TSerialPortNG& port, const Pty& pty)
    {
        port.setCommPort(pty.path());
        port.setActive(true);
    }
    QVariantMap storedComms(TSerialPortNG& port, const QString& section)
    {
        {
            Registry registry;
            port.StoreSettings(registry, section);
        }
        QSettings raw(m_iniPath, QSettings::IniFormat);
        raw.beginGroup(section);
        QVariantMap values;
        for (const QString& key : raw.childKeys())
            values.insert(key, raw.value(key));
        return values;
    }

private slots:
    void initTestCase()
    {
        g_clock.start();
        QVERIFY(m_dir.isValid());
        m_iniPath = m_dir.filePath(QStringLiteral("registry.ini"));
        Registry::setFileOverride(m_iniPath);
    }
    void init() { QFile::remove(m_iniPath); }
    void cleanupTestCase() { Registry::setFileOverride(QString()); }

    // --- receiving -------------------------------------------------------

    void shortReplyIsOneBlockAfterTheExtraTime()
    {
        Pty pty;
        QVERIFY(pty.ok());
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, pty);
        QVERIFY(port.Active());
        QTest::qWait(400); // the line idle for a while, as between commands

        const qint64 sent = nowMs();
        pty.send("0 1.234\r");
        QTRY_COMPARE_WITH_TIMEOUT(rec.blocks.size(), 1, 2000);
        QTest::qWait(400);
        QCOMPARE(rec.blocks.size(), 1);
        QCOMPARE(rec.blocks[0].data, QByteArray("0 1.234\r"));
        QCOMPARE(rec.blocks[0].flags, 0);
        const qint64 delay = rec.blocks[0].atMs - sent;
        QVERIFY2(delay >= 235 && delay <= 600, qPrintable(QString::number(delay)));
        QCOMPARE(port.PendingClusterLength(), -1);
        QCOMPARE(port.TakeCluster(), QByteArray());
    }

    void pauseSplitsReply_data()
    {
        QTest::addColumn<int>("extraMs");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("pause shorter than the rule") << 250 << 100 << QStringList{"0 1.234\r"};
        QTest::newRow("pause longer than the rule") << 250 << 450 << QStringList{"0 1.", "234\r"};
        QTest::newRow("longer extra time bridges it") << 700 << 450 << QStringList{"0 1.234\r"};
    }
    void pauseSplitsReply()
    {
        QFETCH(int, extraMs);
        QFETCH(int, pauseMs);
        QFETCH(QStringList, expected);
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        port.setRTOExtraDelayTime(extraMs);
        openOn(port, pty);

        pty.send("0 1.");
        QTest::qWait(pauseMs);
        pty.send("234\r");
        QTRY_COMPARE_WITH_TIMEOUT(rec.joined(), QByteArray("0 1.234\r"), 3000);
        QTest::qWait(100);
        QStringList got;
        for (const Block& b : rec.blocks)
            got.append(QString::fromLatin1(b.data));
        QCOMPARE(got, expected);
    }

    void sizeClosesBlockAtOnce_data()
    {
        QTest::addColumn<int>("clusterSize");
        QTest::addColumn<int>("total");
        QTest::newRow("default cluster, 5000 bytes") << 3072 << 5000;
        QTest::newRow("small cluster") << 100 << 1000;
    }
    void sizeClosesBlockAtOnce()
    {
        QFETCH(int, clusterSize);
        QFETCH(int, total);
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        port.setClusterSize(clusterSize);
        openOn(port, pty);

        QByteArray data;
        for (int i = 0; i < total; ++i)
            data.append(char('A' + i % 26));
        const qint64 sent = nowMs();
        pty.send(data);
        QTRY_VERIFY_WITH_TIMEOUT(!rec.blocks.isEmpty(), 2000);
        QVERIFY2(rec.blocks[0].atMs - sent < 150,
                 qPrintable(QString::number(rec.blocks[0].atMs - sent)));
        QVERIFY(rec.blocks[0].data.size() >= clusterSize);
        QTRY_COMPARE_WITH_TIMEOUT(rec.joined().size(), data.size(), 3000);
        QCOMPARE(rec.joined(), data);
    }

    void receivedBytesAreFiltered_data()
    {
        QTest::addColumn<PortAction>("setup");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("expected");
        const PortAction none = [](TSerialPortNG&) {};
        QTest::newRow("NUL kept") << none << QByteArray("A\0B\r", 4) << QByteArray("A\0B\r", 4);
        QTest::newRow("NUL stripped")
            << PortAction([](TSerialPortNG& p) { p.setStripNullChars(true); })
            << QByteArray("A\0B\0\r", 5) << QByteArray("AB\r");
        // Parity marking doubles a real 0xFF on the line; it must arrive once.
        QTest::newRow("0xFF with parity replacement") << PortAction([](TSerialPortNG& p) {
            p.setParityType(2);
            p.setParityErrorReplacement(true);
        })
                                                      << QByteArray("\xFF"
                                                                    "A\xFF\xFF\r")
                                                      << QByteArray("\xFF"
                                                                    "A\xFF\xFF\r");
    }
    void receivedBytesAreFiltered()
    {
        QFETCH(PortAction, setup);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, expected);
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, pty);
        setup(port);
        pty.send(sent);
        QTRY_COMPARE_WITH_TIMEOUT(rec.blocks.size(), 1, 2000);
        QCOMPARE(rec.blocks[0].data.toHex(' '), expected.toHex(' '));
        QCOMPARE(rec.blocks[0].flags, 0);
    }

    // A handler that waits for a second handling events sees no other block or
    // write completion; those that came meanwhile follow in order, already
    // formed by the rule (so two replies 400 ms apart stay two blocks).
    void deliveryIsOneAtATimeAndInOrder_data()
    {
        QTest::addColumn<bool>("waitInBlock");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("block handler waits")
            << true << QStringList{"rx:A\r", "done:1", "rx:B\r", "rx:C\r"};
        QTest::newRow("write completion handler waits")
            << false << QStringList{"done:1", "done:1", "rx:B\r", "rx:C\r"};
    }
    void deliveryIsOneAtATimeAndInOrder()
    {
        QFETCH(bool, waitInBlock);
        QFETCH(QStringList, expected);
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, pty);
        qint64 returnedAt = 0;
        bool waited = false;
        const auto wait = [&] {
            if (waited)
                return;
            waited = true;
            pty.send("B\r");
            port.SendText("X");
            pumpFor(400);
            pty.send("C\r");
            pumpFor(600);
            returnedAt = nowMs();
        };
        if (waitInBlock) {
            rec.duringBlock = [&](const QByteArray&) { wait(); };
            pty.send("A\r");
        } else {
            rec.duringWriteDone = wait;
            port.SendText("W");
        }

        QTRY_COMPARE_WITH_TIMEOUT(rec.sequence.size(), expected.size(), 4000);
        QTest::qWait(300);
        QCOMPARE(rec.sequence, expected);
        QCOMPARE(rec.maxDepth, 1);
        const int b = int(rec.blocks.size()) - 2; // B and C are the last two blocks
        for (int i = b; i < b + 2; ++i)
            QVERIFY2(rec.blocks[i].atMs - returnedAt < 100,
                     qPrintable(QString::number(rec.blocks[i].atMs - returnedAt)));
        QCOMPARE(pty.takeAtLeast(waitInBlock ? 1 : 2, 500), waitInBlock ? "X" : "WX");
    }

    // --- writing ---------------------------------------------------------

    void writesCompleteInOrder()
    {
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, pty);

        port.SendText(QByteArray());
        port.SendText("ID\r");
        port.SendText("AAAA"); // while "ID" is still going out: queued, not dropped
        port.SendText("BB");
        QTRY_COMPARE_WITH_TIMEOUT(rec.writes.size(), 3, 2000);
        QCOMPARE(rec.writes, (QList<int>{3, 4, 2}));
        QCOMPARE(port.WrittenBytes(), 2);
        QCOMPARE(pty.takeAtLeast(9, 1000), QByteArray("ID\rAAAABB"));
        QTest::qWait(300);
        QCOMPARE(rec.writes.size(), 3);
    }

    void writeTimeOutCutsTheWrite()
    {
        Pty pty;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        port.setWTOCharDelayTime(0);
        port.setWTOExtraDelayTime(200);
        openOn(port, pty);

        // Nobody reads the master, so the line fills long before 1 MB.
        const QByteArray big(1 << 20, 'y');
        const qint64 sent = nowMs();
        port.SendText(big);
        QTRY_COMPARE_WITH_TIMEOUT(rec.writes.size(), 1, 3000);
        const qint64 took = nowMs() - sent;
        QVERIFY2(took >= 190 && took < 1000, qPrintable(QString::number(took)));
        QVERIFY(rec.writes[0] > 0);
        QVERIFY(rec.writes[0] < big.size());

        QTest::qWait(50);
        pty.take();
        port.SendText("OK\r");
        QTRY_COMPARE_WITH_TIMEOUT(rec.writes.size(), 2, 2000);
        QCOMPARE(rec.writes[1], 3);
        QCOMPARE(pty.takeAtLeast(3, 1000), QByteArray("OK\r"));
    }

    // --- opening and losing the device -------------------------------------

    void portThatCannotOpenStaysInactive_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing device") << "/dev/does-not-exist-42";
        QTest::newRow("name of another system") << "COM2";
        QTest::newRow("not a terminal") << "/dev/null";
        QTest::newRow("busy") << "busy";
    }
    void portThatCannotOpenStaysInactive()
    {
        QFETCH(QString, name);
        Pty pty;
        TSerialPortNG holder;
        if (name == "busy") {
            openOn(holder, pty);
            QVERIFY(holder.Active());
            name = pty.path();
        }
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        port.setCommPort(name);
        port.setActive(true);
        QVERIFY(!port.Active());
        port.SendText("ID\r"); // cannot start: no completion
        QTest::qWait(300);
        QVERIFY(rec.writes.isEmpty());
    }

    void commPortChangeReopens()
    {
        Pty first;
        Pty second;
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, first);
        port.setCommPort(second.path());
        QVERIFY(port.Active());
        first.send("old\r");
        second.send("new\r");
        QTRY_COMPARE_WITH_TIMEOUT(rec.blocks.size(), 1, 2000);
        QTest::qWait(400);
        QCOMPARE(rec.joined(), QByteArray("new\r"));

        port.setCommPort(QStringLiteral("/dev/does-not-exist-42"));
        QVERIFY(!port.Active());
        port.setCommPort(first.path()); // closed: records the name only
        QVERIFY(!port.Active());
    }

    void vanishedDeviceClosesCleanly()
    {
        auto pty = std::make_unique<Pty>();
        Recorder rec;
        TSerialPortNG port;
        rec.attach(port);
        openOn(port, *pty);
        pty->send("ABC");
        QTest::qWait(50);
        pty->closeMaster(); // as a pulled USB adapter

        QTRY_VERIFY_WITH_TIMEOUT(!port.Active(), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(rec.joined(), QByteArray("ABC"), 1000);
        const double cpuBefore = cpuSeconds();
        QTest::qWait(1000);
        const double cpu = cpuSeconds() - cpuBefore;
        QVERIFY2(cpu < 0.3, qPrintable(QString::number(cpu)));
        QVERIFY(!port.Active());
        port.SendText("ID\r");

        pty = std::make_unique<Pty>();
        openOn(port, *pty);
        QVERIFY(port.Active());
        pty->send("0\r");
        QTRY_COMPARE_WITH_TIMEOUT(rec.joined(), QByteArray("ABC0\r"), 2000);
        QCOMPARE(rec.writes, QList<int>());
    }

    // --- settings on the line ------------------------------------------------

    void settingsReachTheLine_data()
    {
        QTest::addColumn<bool>("beforeOpen");
        QTest::addColumn<PortAction>("apply");
        QTest::addColumn<TermiosCheck>("check");
        struct Row {
            const char* name;
            PortAction apply;
            TermiosCheck check;
        };
        const QList<Row> rows = {
            {"baud rate", [](TSerialPortNG& p) { p.setBaudRate(9600); },
             [](const termios& t) { return cfgetospeed(&t) == B9600; }},
            {"two stop bits", [](TSerialPortNG& p) { p.setStopBits(2); },
             [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }},
            {"RTS/CTS", [](TSerialPortNG& p) { p.setFlowControl(1); },
             [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; }},
            {"XON/XOFF with own characters",
             [](TSerialPortNG& p) {
                 p.setFlowControl(2);
                 p.setXONChar('Q');
                 p.setXOFFChar('S');
             },
             [](const termios& t) {
                 return (t.c_iflag & IXON) && (t.c_iflag & IXOFF) && t.c_cc[VSTART] == 'Q' &&
                        t.c_cc[VSTOP] == 'S';
             }},
            {"characters survive later changes",
             [](TSerialPortNG& p) {
                 p.setXONChar('Q');
                 p.setParityType(1);
                 p.setBaudRate(19200);
             },
             [](const termios& t) { return t.c_cc[VSTART] == 'Q' && cfgetospeed(&t) == B19200; }},
            {"parity errors marked",
             [](TSerialPortNG& p) {
                 p.setParityErrorReplacement(true);
                 p.setParityType(2);
             },
             [](const termios& t) {
                 return (t.c_iflag & PARMRK) && (t.c_iflag & INPCK) && !(t.c_iflag & IGNPAR);
             }},
            {"parity marking off again",
             [](TSerialPortNG& p) {
                 p.setParityErrorReplacement(true);
                 p.setParityErrorReplacement(false);
             },
             [](const termios& t) { return !(t.c_iflag & (PARMRK | INPCK)); }},
        };
        for (const Row& r : rows) {
            QTest::addRow("%s, set before opening", r.name) << true << r.apply << r.check;
            QTest::addRow("%s, set while open", r.name) << false << r.apply << r.check;
        }
    }
    void settingsReachTheLine()
    {
        QFETCH(bool, beforeOpen);
        QFETCH(PortAction, apply);
        QFETCH(TermiosCheck, check);
        Pty pty;
        TSerialPortNG port;
        if (beforeOpen)
            apply(port);
        openOn(port, pty);
        QVERIFY(port.Active());
        if (!beforeOpen)
            apply(port);
        QVERIFY(check(pty.slaveTermios()));
    }

    void portListAddsOpenableNamesOnce()
    {
        QStringList names = {QStringLiteral("KEEP-ME")};
        TSerialPortNG::FillPortList(names);
        const QStringList first = names;
        QVERIFY(names.contains(QStringLiteral("KEEP-ME")));
        for (const QString& n : names.mid(1))
            QVERIFY2(QFileInfo::exists(n.contains('/') ? n : QStringLiteral("/dev/") + n),
                     qPrintable(n));
        if (names.size() > 1)
            names[1] = names[1].toUpper();
        TSerialPortNG::FillPortList(names);
        QCOMPARE(names.size(), first.size());
    }

    // --- settings in the registry ----------------------------------------------

    void storeWritesTheCommsValues()
    {
        Pty pty;
        TSerialPortNG port;
        const QVariantMap defaults = storedComms(port, "Comms");
        QCOMPARE(QStringList(defaults.keys()), [] {
            QStringList sorted = kCommsNames;
            sorted.sort();
            return sorted;
        }());
        const QVariantMap expected = {{"CommPort", "COM2"},
                                      {"BaudRate", "38400"},
                                      {"ParityType", "0"},
                                      {"StopBits", "0"},
                                      {"DataBits", "8"},
                                      {"FlowControl", "0"},
                                      {"XONChar", QString(QChar(0x11))},
                                      {"XOFFChar", QString(QChar(0x13))},
                                      {"RTOCharDelayTime", "43"},
                                      {"RTOExtraDelayTime", "250"},
                                      {"ClusterSize", "3072"},
                                      {"WTOCharDelayTime", "43"},
                                      {"WTOExtraDelayTime", "250"},
                                      {"ErrorNoise", "255"},
                                      {"StripNullChars", "0"},
                                      {"Active", "0"}};
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            QCOMPARE(defaults.value(it.key()).typeId(), QMetaType::QString);
            QCOMPARE(defaults.value(it.key()).toString(), it.value().toString());
        }

        openOn(port, pty);
        QCOMPARE(storedComms(port, "Comms").value("Active").toString(), QStringLiteral("1"));
    }

    void everyValueRoundTrips()
    {
        TSerialPortNG port;
        port.setCommPort(QStringLiteral("COM7"));
        port.setBaudRate(9600);
        port.setParityType(3);
        port.setParityErrorChar('#');
        port.setParityErrorReplacement(true);
        port.setStopBits(2);
        port.setDataBits(7);
        port.setXONChar('\x01');
        port.setXOFFChar('\0');
        port.setXONLimDiv(50);
        port.setXOFFLimDiv(20);
        port.setFlowControl(2);
        port.setStripNullChars(true);
        port.setEventChar('\r');
        port.setRTOCharDelayTime(100);
        port.setRTOExtraDelayTime(80);
        port.setClusterSize(512);
        port.setRxQueueSize(1000);
        port.setTxQueueSize(2000);
        port.setWTOCharDelayTime(90);
        port.setWTOExtraDelayTime(70);
        port.setXTOAuto(true);
        port.setRTSState(false);
        port.setDTRState(false);
        port.setBREAKState(true);
        port.setErrorNoise(3);
        const QVariantMap stored = storedComms(port, "Comms");

        TSerialPortNG loaded;
        {
            Registry registry;
            loaded.LoadSettings(registry, "Comms");
        }
        QCOMPARE(storedComms(loaded, "Again"), stored);
        QCOMPARE(loaded.XOFFChar(), '\0');
        QCOMPARE(loaded.ParityType(), 3);
    }

    // Each row stores raw values, loads them into a port with the defaults
    // (CommPort set to COM9 first) and compares what the port stores again.
    void loadKeepsWhatDoesNotRead_data()
    {
        QTest::addColumn<QVariantMap>("raw");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("missing CommPort gives COM2")
            << QVariantMap{{"BaudRate", "9600"}}
            << QVariantMap{{"CommPort", "COM2"}, {"BaudRate", "9600"}};
        QTest::newRow("not numbers, out of range, not one character")
            << QVariantMap{{"CommPort", "COM5"}, {"BaudRate", "fast"}, {"DataBits", "12"},
                           {"ParityType", "9"},  {"XONChar", "ab"},    {"ClusterSize", ""},
                           {"ErrorNoise", "7"}}
            << QVariantMap{{"CommPort", "COM5"},
                           {"BaudRate", "38400"},
                           {"DataBits", "8"},
                           {"ParityType", "0"},
                           {"XONChar", QString(QChar(0x11))},
                           {"ClusterSize", "3072"},
                           {"ErrorNoise", "7"}};
        QTest::newRow("value of another type fails alone")
            << QVariantMap{{"CommPort", QByteArray("COM5")},
                           {"ClusterSize", QByteArray("64")},
                           {"ErrorNoise", "7"}}
            << QVariantMap{{"CommPort", "COM9"}, {"ClusterSize", "3072"}, {"ErrorNoise", "7"}};
        QTest::newRow("integers by the registry's rule")
            << QVariantMap{{"BaudRate", "$2580"}, {"ClusterSize", "0x40"}, {"XTOAuto", "1"}}
            << QVariantMap{{"BaudRate", "9600"}, {"ClusterSize", "64"}, {"XTOAuto", "1"}};
    }
    void loadKeepsWhatDoesNotRead()
    {
        QFETCH(QVariantMap, raw);
        QFETCH(QVariantMap, expected);
        {
            QSettings settings(m_iniPath, QSettings::IniFormat);
            for (auto it = raw.begin(); it != raw.end(); ++it)
                settings.setValue("Comms/" + it.key(), it.value());
        }
        TSerialPortNG port;
        port.setCommPort(QStringLiteral("COM9"));
        {
            Registry registry;
            port.LoadSettings(registry, "Comms");
        }
        const QVariantMap after = storedComms(port, "After");
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(after.value(it.key()).toString(), it.value().toString());
    }

    void loadOpensWhenActiveWasStored_data()
    {
        QTest::addColumn<QString>("active");
        QTest::addColumn<bool>("realPort");
        QTest::addColumn<bool>("expected");
        QTest::newRow("\"1\" opens") << "1" << true << true;
        QTest::newRow("\"0\" stays closed") << "0" << true << false;
        QTest::newRow("missing stays closed") << QString() << true << false;
        QTest::newRow("\"1\" on a missing device, silently") << "1" << false << false;
    }
    void loadOpensWhenActiveWasStored()
    {
        QFETCH(QString, active);
        QFETCH(bool, realPort);
        QFETCH(bool, expected);
        Pty pty;
        {
            QSettings settings(m_iniPath, QSettings::IniFormat);
            settings.setValue("Comms/CommPort",
                              realPort ? pty.path() : QStringLiteral("/dev/does-not-exist-42"));
            if (!active.isNull())
                settings.setValue("Comms/Active", active);
        }
        TSerialPortNG port;
        {
            Registry registry;
            port.LoadSettings(registry, "Comms");
        }
        QCOMPARE(port.Active(), expected);
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
