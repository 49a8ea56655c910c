// Splitting replies into fields, the status test, and the routing of each
// reply to the decoder of the command sent last.
#include "ReplyDispatcher.h"
#include "ScriptedPort.h"
#include "TestDoubles.h"

#include <QListWidget>
#include <QtTest>

Q_DECLARE_METATYPE(ReplyRoute)

class TestDispatcher : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void splitReply_data();
    void splitReply();
    void passesStatus_data();
    void passesStatus();
    void routeFor_data();
    void routeFor();

    void eachRouteRunsItsDecoder_data();
    void eachRouteRunsItsDecoder();
    void rejectedRepliesOnlyRefreshTheList_data();
    void rejectedRepliesOnlyRefreshTheList();
    void probeSerialRequestSendsAfterTheFullWait_data();
    void probeSerialRequestSendsAfterTheFullWait();
    void listShowsWhatTheDecoderWrote();
    void replyBeforeAnySendIsHarmless();

private:
    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<ScopedClock> m_scopedClock;
    std::unique_ptr<ChannelRig> m_rig;
};

void TestDispatcher::init()
{
    m_clock = std::make_unique<PinnedClock>(QDateTime(QDate(2013, 12, 9), QTime(14, 5, 33)));
    m_scopedClock = std::make_unique<ScopedClock>(m_clock.get());
    m_rig = std::make_unique<ChannelRig>();
}

void TestDispatcher::cleanup()
{
    m_rig.reset();
    m_scopedClock.reset();
    m_clock.reset();
}

void TestDispatcher::splitReply_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("blank") << QByteArray("0 12.345\r") << QStringList{"0", "12.345"};
    QTest::newRow("commas and blanks") << QByteArray("0,,5 , 6\r") << QStringList{"0", "5", "6"};
    QTest::newRow("two lines") << QByteArray("0 1\r0 2\r") << QStringList{"0", "1", "0", "2"};
    QTest::newRow("leading line ends") << QByteArray("\r\n  0\n\n1 ") << QStringList{"0", "1"};
    QTest::newRow("leading comma") << QByteArray(",0,") << QStringList{"0"};
    QTest::newRow("double quotes keep separators")
        << QByteArray("0 \"a b,c\" 7\r") << QStringList{"0", "\"a b,c\"", "7"};
    QTest::newRow("apostrophes, stretch inside a field")
        << QByteArray("0 x'y z'w v\r") << QStringList{"0", "x'y z'w", "v"};
    // The other kind of quote takes over as the closing one.
    QTest::newRow("other kind closes")
        << QByteArray("0 \"a'b' c\r") << QStringList{"0", "\"a'b'", "c"};
    QTest::newRow("first kind no longer closes")
        << QByteArray("0 \"a'b\" c\r") << QStringList{"0", "\"a'b\" c\r"};
    QTest::newRow("unclosed runs to the end")
        << QByteArray("0 'a, b\r") << QStringList{"0", "'a, b\r"};
    QTest::newRow("stops at NUL") << QByteArray("0 1\0 2\r", 7) << QStringList{"0", "1"};
    QTest::newRow("NUL ends an open quote") << QByteArray("0 \"a\0b\" 3", 9)
                                            << QStringList{"0", "\"a"};
    QTest::newRow("Latin-1 byte") << QByteArray("0 \xB0" "C\r") << QStringList{"0", "\u00B0C"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("separators only") << QByteArray(" ,\r\n, ") << QStringList{};
}

void TestDispatcher::splitReply()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, fields);
    QCOMPARE(SplitReply(text), fields);
}

void TestDispatcher::passesStatus_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("passes");

    QTest::newRow("0") << QStringList{"0", "1"} << true;
    QTest::newRow("10") << QStringList{"10", "1"} << true;
    QTest::newRow("A0") << QStringList{"A0"} << true;
    QTest::newRow("1") << QStringList{"1", "0"} << false;
    QTest::newRow("01A") << QStringList{"01A", "0"} << false;
    QTest::newRow("none") << QStringList{} << false;
}

void TestDispatcher::passesStatus()
{
    QFETCH(QStringList, fields);
    QFETCH(bool, passes);
    QCOMPARE(PassesStatus(fields), passes);
}

void TestDispatcher::routeFor_data()
{
    QTest::addColumn<QString>("lastCommand");
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<ReplyRoute>("route");

    using R = ReplyRoute;
    const struct {
        const char* command;
        int fields;
        ReplyRoute route;
    } rows[] = {
        {"A@\r", 2, R::Coefficient},       {"b@\r", 2, R::Coefficient},
        {"R@\r", 2, R::Coefficient},       {"x@\r", 2, R::Coefficient},
        {"Y@\r", 2, R::Coefficient},       {"z@\r", 2, R::Coefficient},
        {"X!\r", 2, R::None},              {"A1\r", 2, R::None},
        // D: "@" first, then "U"; anything else has no route.
        {"D@\r", 2, R::Coefficient},       {"DU 3\r", 2, R::MemoryLine},
        {"du\r", 2, R::MemoryLine},        {"DX\r", 2, R::None},
        {"ID\r", 2, R::Id},                {"iD\r", 2, R::Id},
        {"IN 1\r", 2, R::None},
        // L: only replies of more than 3 fields, and no falling through.
        {"LI\r", 4, R::CorrectionTable},   {"LI\r", 3, R::None},
        {"li\r", 5, R::CorrectionTable},   {"LM\r", 4, R::MemoryCounts},
        {"LM\r", 3, R::None},              {"LP\r", 4, R::ProbeTable},
        {"lp\r", 2, R::None},              {"LO\r", 9, R::None},
        {"LR\r", 9, R::None},
        {"ME\r", 2, R::Measurement},       {"me\r", 2, R::Measurement},
        {"MX\r", 2, R::None},
        // S: "U", then upper-case "P" only, then "@".
        {"SU\r", 10, R::Setup},            {"sU\r", 2, R::Setup},
        {"SP\r", 2, R::ProbeSerialRequest}, {"sP\r", 2, R::ProbeSerialRequest},
        {"Sp\r", 2, R::None},              {"sp\r", 2, R::None},
        {"S@\r", 2, R::ProbeSerial},       {"S!\r", 2, R::None},
        {"SE 2\r", 2, R::None},
        {"E1 5 1.0\r", 4, R::None},        {"&R\r", 2, R::None},
        {"FP\r", 2, R::None},
        // One letter: the second character is the CR.
        {"X\r", 2, R::None},               {"S\r", 2, R::None},
        {"X", 2, R::None},                 {"", 2, R::None},
        {"@X\r", 2, R::None},
    };
    for (const auto& row : rows)
        QTest::addRow("%s/%d", QByteArray(row.command).replace('\r', "<CR>").constData(),
                      row.fields)
            << QString::fromLatin1(row.command) << row.fields << row.route;
}

void TestDispatcher::routeFor()
{
    QFETCH(QString, lastCommand);
    QFETCH(int, fieldCount);
    QFETCH(ReplyRoute, route);
    QCOMPARE(RouteFor(lastCommand, fieldCount), route);
}

void TestDispatcher::eachRouteRunsItsDecoder_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QChar>("letter");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("ID") << "ID" << QByteArray("0 QZ7731 1.3 2201\r") << "Id" << QChar()
                        << QStringList{"0", "QZ7731", "1.3", "2201"};
    QTest::newRow("su") << "su" << QByteArray("0,1,2,3\r") << "Setup" << QChar()
                        << QStringList{"0", "1", "2", "3"};
    QTest::newRow("ME status 10") << "ME" << QByteArray("10 21.5\r") << "Measurement" << QChar()
                                  << QStringList{"10", "21.5"};
    QTest::newRow("r@") << "r@" << QByteArray("0,,12.5\r") << "Coefficient" << QChar('R')
                        << QStringList{"0", "12.5"};
    QTest::newRow("x@") << "x@" << QByteArray("0 3.9083\r") << "Coefficient" << QChar('X')
                        << QStringList{"0", "3.9083"};
    QTest::newRow("d@") << "d@" << QByteArray("0 -4\r") << "Coefficient" << QChar('D')
                        << QStringList{"0", "-4"};
    QTest::newRow("LI") << "LI" << QByteArray("0 1 2 3\r") << "CorrectionTable" << QChar()
                        << QStringList{"0", "1", "2", "3"};
    QTest::newRow("LP") << "LP" << QByteArray("0 1 2 3\r") << "ProbeTable" << QChar()
                        << QStringList{"0", "1", "2", "3"};
    QTest::newRow("LM") << "LM" << QByteArray("0 1 2 3\r") << "MemoryCounts" << QChar()
                        << QStringList{"0", "1", "2", "3"};
    QTest::newRow("S@") << "S@" << QByteArray("0 1234\r") << "ProbeSerial" << QChar()
                        << QStringList{"0", "1234"};
    QTest::newRow("DU") << "DU 4" << QByteArray("0 4 1 x y\r") << "MemoryLine" << QChar()
                        << QStringList{"0", "4", "1", "x", "y"};
}

void TestDispatcher::eachRouteRunsItsDecoder()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, route);
    QFETCH(QChar, letter);
    QFETCH(QStringList, fields);

    m_rig->channel->CommsRequest(command);
    m_rig->channel->DispatchReply(reply);

    QCOMPARE(m_rig->decoders.routes(), QStringList{route});
    QCOMPARE(m_rig->decoders.calls.first().letter, letter);
    QCOMPARE(m_rig->decoders.calls.first().fields, fields);
    QCOMPARE(m_rig->channel->ReplyFields, fields);
    QCOMPARE(m_rig->listItems(), fields);
}

void TestDispatcher::rejectedRepliesOnlyRefreshTheList_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("one field") << "ME" << QByteArray("0\r") << QStringList{"0"};
    QTest::newRow("status 1") << "ME" << QByteArray("1 21.5\r") << QStringList{"1", "21.5"};
    QTest::newRow("status 01A") << "SU" << QByteArray("01A 2 3\r") << QStringList{"01A", "2", "3"};
    QTest::newRow("LI with 3 fields") << "LI" << QByteArray("0 1 2\r") << QStringList{"0", "1", "2"};
    QTest::newRow("one-letter command") << "X" << QByteArray("0 1\r") << QStringList{"0", "1"};
    QTest::newRow("E1 row") << "E1 3 10.000 10.012" << QByteArray("0 3\r") << QStringList{"0", "3"};
    QTest::newRow("&R") << "&R" << QByteArray("0 1\r") << QStringList{"0", "1"};
}

void TestDispatcher::rejectedRepliesOnlyRefreshTheList()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, fields);

    m_rig->channel->CommsRequest(command);
    m_rig->listBox->addItems({"old", "fields"});
    m_rig->channel->DispatchReply(reply);

    QVERIFY(m_rig->decoders.calls.isEmpty());
    QCOMPARE(m_rig->channel->ReplyFields, fields);
    QCOMPARE(m_rig->listItems(), fields);
    QCOMPARE(m_rig->port.sent.size(), 1);
}

void TestDispatcher::probeSerialRequestSendsAfterTheFullWait_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("requests");
    QTest::newRow("SP") << "SP" << true;
    QTest::newRow("sP") << "sP" << true;
    QTest::newRow("sp") << "sp" << false;
}

void TestDispatcher::probeSerialRequestSendsAfterTheFullWait()
{
    QFETCH(QString, command);
    QFETCH(bool, requests);

    m_rig->channel->CommsRequest(command);
    m_rig->port.receive("0 1\r");

    QVERIFY(m_rig->decoders.calls.isEmpty());
    if (!requests) {
        QCOMPARE(m_rig->port.sent, QList<QByteArray>{command.toLatin1() + '\r'});
        QCOMPARE(m_clock->sleptMs, 0);
        return;
    }
    // The request went out from inside the receive step, while the reply was
    // still awaited: the whole wait ran first.
    QCOMPARE(m_rig->port.sent, (QList<QByteArray>{command.toLatin1() + '\r', "S@\r"}));
    QCOMPARE(m_clock->sleptMs, 3000);
    QCOMPARE(m_rig->channel->LastCommand, QStringLiteral("S@\r"));

    m_rig->port.receive("0 1234\r");
    QCOMPARE(m_rig->decoders.routes(), QStringList{"ProbeSerial"});
    QCOMPARE(m_rig->decoders.calls.first().fields, (QStringList{"0", "1234"}));
}

void TestDispatcher::listShowsWhatTheDecoderWrote()
{
    m_rig->decoders.during = [](const QString&, QStringList& fields) { fields.last() = "Done"; };
    m_rig->channel->CommsRequest("LP");
    m_rig->channel->DispatchReply("0 1 2 3 4\r");
    QCOMPARE(m_rig->listItems(), (QStringList{"0", "1", "2", "3", "Done"}));
    QCOMPARE(m_rig->channel->ReplyFields, m_rig->listItems());

    // Also when the decoder fails after writing.
    m_rig->decoders.during = [](const QString&, QStringList& fields) {
        fields.first() = "Done";
        throw std::runtime_error("broken");
    };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_rig->channel->DispatchReply("0 5 6 7\r"));
    QCOMPARE(m_rig->listItems(), (QStringList{"Done", "5", "6", "7"}));
}

void TestDispatcher::replyBeforeAnySendIsHarmless()
{
    QVERIFY(m_rig->channel->LastCommand.isEmpty());
    m_rig->channel->DispatchReply("0 1 2 3 4\r");
    QVERIFY(m_rig->decoders.calls.isEmpty());
    QCOMPARE(m_rig->listItems().size(), 5);

    // Without decoders the routes decode nothing.
    m_rig->channel->setDecoders(nullptr);
    m_rig->channel->CommsRequest("ME");
    m_rig->channel->DispatchReply("0 21.5\r");
    QCOMPARE(m_rig->listItems(), (QStringList{"0", "21.5"}));
}

QTEST_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
