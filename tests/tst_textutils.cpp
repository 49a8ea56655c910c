// Number syntaxes, fixed renderings, tokens, lines and file-name stamps, all
// under a German locale (decimal comma) to show that none of them follows it.
#include "Errors.h"
#include "TestDoubles.h"
#include "TextUtils.h"

#include <QBuffer>
#include <QLocale>
#include <QTemporaryFile>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Gives its data, then fails every further read, as a disk does on an I/O error.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(const QByteArray& before) : m_before(before) {}

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_pos >= m_before.size())
            return -1;
        const qint64 n = qMin(maxSize, qint64(m_before.size() - m_pos));
        memcpy(data, m_before.constData() + m_pos, size_t(n));
        m_pos += int(n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray m_before;
    int m_pos = 0;
};

QStringList readAllLines(QIODevice& device, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << ReadLine(device);
    return lines;
}

} // namespace

class TestTextUtils : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void realSyntax_data();
    void realSyntax();
    void normalizeNumber_data();
    void normalizeNumber();
    void formatFixed_data();
    void formatFixed();
    void formatFixedReadsBack();

    void extractToken_data();
    void extractToken();

    void integerSyntax_data();
    void integerSyntax();
    void isIntInRangeBounds_data();
    void isIntInRangeBounds();
    void strToIntMessage();

    void twoDigits_data();
    void twoDigits();

    void readLine_data();
    void readLine();
    void readLineLeavesTheRestUnread();
    void readLineReportsErrors();

    void timeStampName_data();
    void timeStampName();
};

void TestTextUtils::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
    const char* pinned = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
        if ((pinned = std::setlocale(LC_ALL, name)))
            break;
    }
    if (pinned)
        QCOMPARE(std::localeconv()->decimal_point, ",");
    else
        qWarning("No de_DE C locale on this machine: only the Qt default locale is pinned");
}

void TestTextUtils::realSyntax_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");

    // In the syntax.
    QTest::newRow("integer") << "7" << true << 7.0;
    QTest::newRow("leading blanks") << "   7" << true << 7.0;
    QTest::newRow("fraction") << "1.5" << true << 1.5;
    QTest::newRow("negative exponent form") << "-2.5e1" << true << -25.0;
    QTest::newRow("plus, capital E, signed exponent") << "+1.5E+2" << true << 150.0;
    QTest::newRow("negative exponent") << " -0.125e-1" << true << -0.0125;
    QTest::newRow("no integer digits") << "-.5" << true << -0.5;
    QTest::newRow("no fraction digits") << "5." << true << 5.0;
    QTest::newRow("full stop alone") << "." << true << 0.0;
    QTest::newRow("exponent alone") << "E5" << true << 0.0;
    QTest::newRow("long mantissa") << "0.00000000000000000000000000000000000000001e41" << true << 1.0;
    QTest::newRow("overflow") << "1e400" << true << kInf;
    QTest::newRow("negative overflow") << "-1e400" << true << -kInf;
    QTest::newRow("overflow from mantissa") << "1000e306" << true << kInf;
    QTest::newRow("underflow") << "1e-400" << true << 0.0;
    QTest::newRow("underflow despite exponent") << "0.0000001e-320" << true << 0.0;
    QTest::newRow("huge exponent") << "1e99999999999999999999" << true << kInf;

    // Outside it: the digits met before the offending character, as one number.
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << " " << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
    QTest::newRow("trailing blank") << "7 " << false << 7.0;
    QTest::newRow("trailing blank after fraction") << "1.5 " << false << 15.0;
    QTest::newRow("letter after fraction") << "12.5x" << false << 125.0;
    QTest::newRow("sign ignored") << "-3x" << false << 3.0;
    QTest::newRow("letter only") << "x" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 1.0;
    QTest::newRow("exponent sign without digits") << "1e+" << false << 1.0;
    QTest::newRow("exponent digits count too") << "1e5x" << false << 15.0;
    QTest::newRow("decimal comma") << "1,5" << false << 1.0;
    QTest::newRow("second full stop") << "1.2.3" << false << 12.0;
    QTest::newRow("two signs") << "+-5" << false << 0.0;
    QTest::newRow("tab is no blank") << "\t5" << false << 0.0;
    QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0661") << false << 0.0;
    QTest::newRow("digit run beyond a double") << QString(400, u'9') + "x" << false << kInf;
    QTest::newRow("digit run beyond an int64") << "12345678901234567890123x" << false
                                               << 12345678901234567890123.0;
}

void TestTextUtils::realSyntax()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    QCOMPARE(IsNumber(text), isNumber);
    QCOMPARE(ParseReal(text), value);
}

void TestTextUtils::normalizeNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "1.5" << "    1.500";
    QTest::newRow("not a number") << "abc" << "    0.000";
    QTest::newRow("outside the syntax is 0, not its digits") << "12.5x" << "    0.000";
    QTest::newRow("trailing blank") << "7 " << "    0.000";
    QTest::newRow("negative rounding to zero") << "-0.0004" << "   -0.000";
    QTest::newRow("float step near 1e5") << "100000.123" << "100000.125";
    QTest::newRow("float step near 1e6") << "1234567.891" << "1234567.875";
    // The float of 0.0005 lies just above the half, that of 2.0005 just below.
    QTest::newRow("float above half") << "0.0005" << "    0.001";
    QTest::newRow("float below half") << "2.0005" << "    2.000";
    QTest::newRow("exponent form") << "-2.5e1" << "  -25.000";
    QTest::newRow("largest float") << "3.4028235e38" << "3.403E+38";
    QTest::newRow("beyond float") << "1e39" << "      INF";
    QTest::newRow("beyond float, negative") << "-1e39" << "     -INF";
    QTest::newRow("beyond double") << "1e400" << "      INF";
    QTest::newRow("below float") << "1e-50" << "    0.000";
}

void TestTextUtils::normalizeNumber()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeNumber(text), expected);
}

void TestTextUtils::formatFixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::newRow("coefficient") << 3.9083 << 6 << "  3.908300";
    QTest::newRow("negative") << -12.5 << 3 << "   -12.500";
    QTest::newRow("wider than the field") << 12345678.5 << 3 << "12345678.500";
    QTest::newRow("exact binary half") << 1.0625 << 3 << "     1.063";
    QTest::newRow("exact binary half, negative") << -1.0625 << 3 << "    -1.063";
    // Stored just below the half, but written as one: rounds up.
    QTest::newRow("decimal half 2.675") << 2.675 << 2 << "      2.68";
    QTest::newRow("decimal half 1.0005") << 1.0005 << 3 << "     1.001";
    QTest::newRow("decimal half -1.0005") << -1.0005 << 3 << "    -1.001";
    QTest::newRow("below half") << 0.00049 << 3 << "     0.000";
    QTest::newRow("first digit is the half") << 0.0005 << 3 << "     0.001";
    QTest::newRow("negative to zero") << -0.0004 << 3 << "    -0.000";
    QTest::newRow("negative zero") << -0.0 << 3 << "     0.000";
    QTest::newRow("zero") << 0.0 << 6 << "  0.000000";
    QTest::newRow("tiny") << 5e-324 << 3 << "     0.000";
    QTest::newRow("carry into a new digit") << 999.9996 << 3 << "  1000.000";
    QTest::newRow("carry inside") << 9.9995 << 3 << "    10.000";
    QTest::newRow("no decimals keeps the point") << 0.5 << 0 << "        1.";
    QTest::newRow("negative decimals as none") << 123.456 << -1 << "      123.";
    QTest::newRow("more decimals than digits") << 0.1 << 20 << "0.10000000000000000000";
    QTest::newRow("large, no exponent") << 1e20 << 3 << "100000000000000000000.000";
    QTest::newRow("just below 1e36")
        << 9.99e35 << 0 << "999000000000000000000000000000000000.";
    QTest::newRow("1e36") << 1e36 << 3 << " 1.000E+36";
    QTest::newRow("huge") << 1.5e40 << 3 << " 1.500E+40";
    QTest::newRow("huge negative") << -2.25e300 << 1 << " -2.3E+300";
    QTest::newRow("huge with carry") << 9.9996e40 << 3 << " 1.000E+41";
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << 6
                                    << "1.797693E+308";
    QTest::newRow("infinity") << kInf << 3 << "       INF";
    QTest::newRow("negative infinity") << -kInf << 3 << "      -INF";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 3 << "       NAN";
}

void TestTextUtils::formatFixed()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(FormatFixed(value, decimals), expected);
}

// What FormatFixed writes, ParseReal reads back, also in exponent form.
void TestTextUtils::formatFixedReadsBack()
{
    const double values[] = {0.0, 1.0625, -273.15, 3.9083e-3, -5.775e-7, 12345678.5, 2.5e37,
                             -1.25e200};
    for (double v : values) {
        const QString text = FormatFixed(v, 6);
        QVERIFY2(IsNumber(text), qPrintable(text));
        const double back = ParseReal(text);
        const double tolerance = std::max(5e-7, std::fabs(v) * 5e-7);
        QVERIFY2(std::fabs(back - v) <= tolerance, qPrintable(text));
    }
}

void TestTextUtils::extractToken_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    const QChar blank(u' ');
    QTest::newRow("first of two") << blank << "  1.5   2.5  " << 1 << "1.5";
    QTest::newRow("second of two") << blank << "  1.5   2.5  " << 2 << "2.5";
    QTest::newRow("third of two") << blank << "  1.5   2.5  " << 3 << "";
    QTest::newRow("single") << blank << "abc" << 1 << "abc";
    QTest::newRow("past single") << blank << "abc" << 2 << "";
    QTest::newRow("blanks only") << blank << "    " << 1 << "";
    QTest::newRow("empty") << blank << "" << 1 << "";
    QTest::newRow("n zero") << blank << "a b" << 0 << "";
    QTest::newRow("n negative") << blank << "a b" << -1 << "";
    QTest::newRow("other characters are token text") << blank << "0,1\t2 3" << 1 << "0,1\t2";
    QTest::newRow("comma separator") << QChar(u',') << ",,a,,b," << 2 << "b";
}

void TestTextUtils::extractToken()
{
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(ExtractToken(separator, text, n), expected);
}

void TestTextUtils::integerSyntax_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    QTest::newRow("decimal") << "42" << true << 42;
    QTest::newRow("leading blanks") << "  42" << true << 42;
    QTest::newRow("plus") << "+7" << true << 7;
    QTest::newRow("minus") << "-7" << true << -7;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading zeros") << "0000000000000000000000007" << true << 7;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("$ hex") << "$FF" << true << 255;
    QTest::newRow("x hex, lower digits") << "xff" << true << 255;
    QTest::newRow("X hex") << "X1f" << true << 31;
    QTest::newRow("0x hex") << "0x1F" << true << 31;
    QTest::newRow("0X hex after blanks") << " 0X1f" << true << 31;
    QTest::newRow("hex zero") << "0x0" << true << 0;
    QTest::newRow("hex largest") << "$7FFFFFFF" << true << 2147483647;
    QTest::newRow("hex sign bit") << "$80000000" << true << int(-2147483647 - 1);
    QTest::newRow("hex all ones") << "$FFFFFFFF" << true << -1;
    QTest::newRow("hex leading zeros") << "$000000001" << true << 1;

    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blanks") << "   " << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("trailing blank") << "42 " << false << 0;
    QTest::newRow("blank after sign") << "- 1" << false << 0;
    QTest::newRow("tab") << "\t1" << false << 0;
    QTest::newRow("above largest") << "2147483648" << false << 0;
    QTest::newRow("below smallest") << "-2147483649" << false << 0;
    QTest::newRow("long digit run") << "123456789012345678901234567890" << false << 0;
    QTest::newRow("fraction") << "1.0" << false << 0;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("hex nine digits") << "$100000000" << false << 0;
    QTest::newRow("hex prefix alone") << "$" << false << 0;
    QTest::newRow("0x alone") << "0x" << false << 0;
    QTest::newRow("x alone") << "x" << false << 0;
    QTest::newRow("sign before hex") << "-$1" << false << 0;
    QTest::newRow("plus before hex") << "+0x1" << false << 0;
    QTest::newRow("sign after hex prefix") << "$-1" << false << 0;
    QTest::newRow("not a hex digit") << "$1G" << false << 0;
    QTest::newRow("decimal with letter") << "12a" << false << 0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0661") << false << 0;
}

// The same syntax drives IsIntInRange over the full range and StrToInt.
void TestTextUtils::integerSyntax()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    QCOMPARE(IsIntInRange(text, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()),
             valid);
    if (valid)
        QCOMPARE(StrToInt(text), value);
    else
        QVERIFY_THROWS_EXCEPTION(ConversionError, StrToInt(text));
}

void TestTextUtils::isIntInRangeBounds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<bool>("expected");

    QTest::newRow("upper bound") << "9999" << 0 << 9999 << true;
    QTest::newRow("above") << "10000" << 0 << 9999 << false;
    QTest::newRow("lower bound") << "0" << 0 << 9999 << true;
    QTest::newRow("below") << "-1" << 0 << 9999 << false;
    QTest::newRow("hex inside") << "$FF" << 0 << 9999 << true;
    QTest::newRow("all ones is -1, below 0") << "$FFFFFFFF" << 0 << 9999 << false;
    QTest::newRow("all ones is -1") << "$FFFFFFFF" << -1 << -1 << true;
    QTest::newRow("empty range") << "5" << 6 << 4 << false;
}

void TestTextUtils::isIntInRangeBounds()
{
    QFETCH(QString, text);
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(bool, expected);
    QCOMPARE(IsIntInRange(text, lo, hi), expected);
}

void TestTextUtils::strToIntMessage()
{
    try {
        StrToInt(QStringLiteral("12a %1"));
        QFAIL("no ConversionError");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), QStringLiteral("'12a %1' is not a valid integer value"));
    }
}

void TestTextUtils::twoDigits_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0 << "00";
    QTest::newRow("9") << 9 << "09";
    QTest::newRow("10") << 10 << "10";
    QTest::newRow("123") << 123 << "123";
    QTest::newRow("65535") << 65535 << "65535";
}

void TestTextUtils::twoDigits()
{
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(TwoDigits(uint16_t(value)), expected);
}

void TestTextUtils::readLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");

    const QString longLine(100000, u'7');
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("CR LF") << QByteArray("1.5 2.5\r\n3\r\n") << QStringList{"1.5 2.5", "3"};
    QTest::newRow("last line without LF") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("CRs inside dropped") << QByteArray("a\r\rb\r\nx\r y\n")
                                        << QStringList{"ab", "x y"};
    QTest::newRow("empty lines") << QByteArray("\n\r\n\nz") << QStringList{"", "", "", "z"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("long line") << (longLine.toLatin1() + "\nend\n")
                               << QStringList{longLine, "end"};
    QTest::newRow("UTF-8") << QByteArray("25 \xc2\xb0""C\n") << QStringList{QString::fromUtf8("25 \u00b0C")};
}

// Each content through a real file and through a buffer; past the end the
// reads stay empty.
void TestTextUtils::readLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);

    QTemporaryFile file;
    QVERIFY(file.open());
    QCOMPARE(file.write(content), content.size());
    file.close();
    QVERIFY(file.open());
    QCOMPARE(readAllLines(file, int(lines.size())), lines);
    QVERIFY(file.atEnd());
    QCOMPARE(ReadLine(file), QString());
    QCOMPARE(ReadLine(file), QString());

    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readAllLines(buffer, int(lines.size())), lines);
    QCOMPARE(ReadLine(buffer), QString());
}

// A line is taken up to its LF and no further: other readers of the same
// file carry on right after it.
void TestTextUtils::readLineLeavesTheRestUnread()
{
    QByteArray content("head\r\n");
    content += QByteArray(3000, 'x') + "\nrest\n";
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(ReadLine(buffer), QStringLiteral("head"));
    QCOMPARE(buffer.pos(), qint64(6));
    QCOMPARE(ReadLine(buffer).size(), 3000);
    QCOMPARE(buffer.readAll(), QByteArray("rest\n"));
}

void TestTextUtils::readLineReportsErrors()
{
    FailingDevice failing("ok\npart");
    QVERIFY(failing.open(QIODevice::ReadOnly));
    QCOMPARE(ReadLine(failing), QStringLiteral("ok"));
    QVERIFY_THROWS_EXCEPTION(FileError, ReadLine(failing));

    QBuffer closed;
    QVERIFY_THROWS_EXCEPTION(FileError, ReadLine(closed));

    QBuffer writeOnly;
    QVERIFY(writeOnly.open(QIODevice::WriteOnly));
    QVERIFY_THROWS_EXCEPTION(FileError, ReadLine(writeOnly));
}

void TestTextUtils::timeStampName_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("expected");

    QTest::newRow("midnight, first of January")
        << "Mem " << QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0)) << "Mem 20240101000000.txt";
    QTest::newRow("two-digit fields")
        << "Log " << QDateTime(QDate(2013, 11, 26), QTime(23, 59, 58)) << "Log 20131126235958.txt";
    QTest::newRow("milliseconds dropped")
        << "Cor " << QDateTime(QDate(2031, 7, 9), QTime(8, 5, 3, 999)) << "Cor 20310709080503.txt";
    QTest::newRow("no prefix")
        << "" << QDateTime(QDate(1999, 12, 31), QTime(12, 0, 1)) << "19991231120001.txt";
}

void TestTextUtils::timeStampName()
{
    QFETCH(QString, prefix);
    QFETCH(QDateTime, now);
    QFETCH(QString, expected);
    PinnedClock clock(now);
    ScopedClock installed(&clock);
    QCOMPARE(TimeStampName(prefix), expected);
}

QTEST_GUILESS_MAIN(TestTextUtils)
#include "tst_textutils.moc"
