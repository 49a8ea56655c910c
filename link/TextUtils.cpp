#include "TextUtils.h"

#include "Clock.h"
#include "Errors.h"

#include <QFileDevice>
#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

// Every conversion here goes through std::from_chars / std::to_chars, which
// never look at the C or Qt locale: the full stop is the only decimal point.

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A text scanned against the real-number syntax.
struct RealScan {
    bool valid = false;
    bool negative = false;
    std::string intDigits;
    std::string fracDigits;
    bool expNegative = false;
    std::string expDigits;
    // Every digit met before the scan stopped, in order: the fallback value
    // of a text outside the syntax.
    std::string seenDigits;
};

RealScan scanReal(const QString& text)
{
    RealScan s;
    const int n = int(text.size());
    int i = 0;
    while (i < n && text.at(i) == u' ')
        ++i;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        s.negative = text.at(i) == u'-';
        ++i;
    }
    if (i == n)
        return s; // empty, blanks only, or a sign alone
    auto takeDigits = [&](std::string& into) {
        while (i < n && isAsciiDigit(text.at(i))) {
            const char d = char(text.at(i).unicode());
            into += d;
            s.seenDigits += d;
            ++i;
        }
    };
    takeDigits(s.intDigits);
    if (i < n && text.at(i) == u'.') {
        ++i;
        takeDigits(s.fracDigits);
    }
    if (i < n && (text.at(i) == u'e' || text.at(i) == u'E')) {
        ++i;
        if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
            s.expNegative = text.at(i) == u'-';
            ++i;
        }
        takeDigits(s.expDigits);
        if (s.expDigits.empty())
            return s; // an exponent needs at least one digit
    }
    s.valid = (i == n);
    return s;
}

// Decimal exponent of the leading non-zero digit of a mantissa (1 for
// "1.5", 0 for ".5", -1 for ".05"); only called when some digit is non-zero.
long long leadingMagnitude(const std::string& intDigits, const std::string& fracDigits)
{
    const auto firstInt = intDigits.find_first_not_of('0');
    if (firstInt != std::string::npos)
        return static_cast<long long>(intDigits.size() - firstInt);
    const auto firstFrac = fracDigits.find_first_not_of('0');
    return -static_cast<long long>(firstFrac);
}

double valueOf(const RealScan& s)
{
    std::string normal;
    if (s.negative)
        normal += '-';
    normal += s.intDigits.empty() ? std::string("0") : s.intDigits;
    normal += '.';
    normal += s.fracDigits.empty() ? std::string("0") : s.fracDigits;
    if (!s.expDigits.empty()) {
        normal += s.expNegative ? "e-" : "e";
        normal += s.expDigits;
    }
    double value = 0.0;
    const auto r = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: saturate to infinity or zero.
        long long exp = 0;
        for (char d : s.expDigits) {
            exp = exp * 10 + (d - '0');
            if (exp > 100000)
                break; // far beyond any double; the exact figure no longer matters
        }
        if (s.expNegative)
            exp = -exp;
        const bool huge = leadingMagnitude(s.intDigits, s.fracDigits) + exp > 0;
        value = huge ? std::numeric_limits<double>::infinity() : 0.0;
        if (s.negative)
            value = -value;
    }
    return value;
}

// Digits read together as one whole number; a run beyond the double range
// gives infinity.
double wholeNumberOf(const std::string& digits)
{
    if (digits.empty())
        return 0.0;
    double value = 0.0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity();
    return value;
}

// Shortest decimal digits that read back as Magnitude (> 0, finite), and the
// count of those digits that stand before the decimal point: the value is
// 0.<digits> times 10 to the power pointPos.
void shortestDigits(double magnitude, std::string& digits, int& pointPos)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    const char* const end = r.ptr;
    const char* const e = std::find(static_cast<const char*>(buf), end, 'e');
    digits.clear();
    for (const char* p = buf; p != e; ++p)
        if (*p != '.')
            digits += *p;
    int exp = 0;
    std::from_chars(*(e + 1) == '+' ? e + 2 : e + 1, end, exp);
    pointPos = exp + 1;
}

// Keeps the first Keep digits, rounding the rest to the nearest with halves
// away from zero (the digits are a magnitude). A carry out of the first digit
// adds a leading "1" and moves the point one place.
void roundDigits(std::string& digits, int& pointPos, int keep)
{
    if (keep < 0) {
        digits.clear(); // below half a unit of the last kept place
        return;
    }
    if (keep >= int(digits.size()))
        return;
    const bool up = digits[std::size_t(keep)] >= '5';
    digits.resize(std::size_t(keep));
    if (!up)
        return;
    int k = keep - 1;
    while (k >= 0 && digits[std::size_t(k)] == '9') {
        digits[std::size_t(k)] = '0';
        --k;
    }
    if (k >= 0) {
        ++digits[std::size_t(k)];
    } else {
        digits.insert(digits.begin(), '1');
        ++pointPos;
    }
}

char digitAt(const std::string& digits, int index)
{
    return index >= 0 && index < int(digits.size()) ? digits[std::size_t(index)] : '0';
}

// Magnitudes from here on are written with an exponent.
constexpr double kExponentFrom = 1e36;

QString renderFixed(double value, int decimals, int width)
{
    decimals = std::max(decimals, 0);
    std::string out;
    if (std::isnan(value)) {
        out = "NAN";
    } else if (std::isinf(value)) {
        out = value < 0 ? "-INF" : "INF";
    } else {
        if (value < 0)
            out += '-'; // also when the value rounds to zero
        const double magnitude = std::fabs(value);
        std::string digits;
        int pointPos = 0;
        if (magnitude > 0)
            shortestDigits(magnitude, digits, pointPos);
        if (magnitude >= kExponentFrom) {
            // d.ddd...E+XX, the mantissa rounded the same way.
            roundDigits(digits, pointPos, 1 + decimals);
            const int exp = pointPos - 1;
            out += digits[0];
            out += '.';
            for (int j = 1; j <= decimals; ++j)
                out += digitAt(digits, j);
            out += exp < 0 ? "E-" : "E+";
            const std::string expText = std::to_string(std::abs(exp));
            if (expText.size() < 2)
                out += '0';
            out += expText;
        } else {
            roundDigits(digits, pointPos, pointPos + decimals);
            if (pointPos <= 0 || digits.empty())
                out += '0';
            else
                for (int j = 0; j < pointPos; ++j)
                    out += digitAt(digits, j);
            out += '.';
            for (int j = 0; j < decimals; ++j)
                out += digitAt(digits, pointPos + j);
        }
    }
    return QString::fromLatin1(out.data(), int(out.size())).rightJustified(width, u' ');
}

// The integer syntax; false for any other text or a value outside 32 bits.
bool parseInteger(const QString& text, int32_t& value)
{
    const int n = int(text.size());
    int i = 0;
    while (i < n && text.at(i) == u' ')
        ++i;
    if (i == n)
        return false;
    const QChar c = text.at(i);
    int hexStart = -1;
    if (c == u'$' || c == u'x' || c == u'X')
        hexStart = i + 1;
    else if (c == u'0' && i + 1 < n && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X'))
        hexStart = i + 2;

    if (hexStart >= 0) {
        if (hexStart == n)
            return false;
        uint64_t v = 0;
        for (int k = hexStart; k < n; ++k) {
            const int d = hexDigitValue(text.at(k));
            if (d < 0)
                return false;
            v = v * 16 + uint64_t(d);
            if (v > 0xFFFFFFFFu)
                return false; // leading zeros are fine, a ninth digit is not
        }
        // Eight hexadecimal digits are the bit pattern of the integer.
        value = v > 0x7FFFFFFFu ? int32_t(int64_t(v) - 0x100000000LL) : int32_t(v);
        return true;
    }

    bool negative = false;
    if (c == u'+' || c == u'-') {
        negative = c == u'-';
        ++i;
    }
    if (i == n)
        return false;
    int64_t v = 0;
    for (int k = i; k < n; ++k) {
        if (!isAsciiDigit(text.at(k)))
            return false;
        v = v * 10 + (text.at(k).unicode() - u'0');
        if (v > 0x80000000LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int32_t>::max())
        return false;
    value = int32_t(v);
    return true;
}

} // namespace

double ParseReal(const QString& text)
{
    const RealScan s = scanReal(text);
    return s.valid ? valueOf(s) : wholeNumberOf(s.seenDigits);
}

bool IsNumber(const QString& text)
{
    return scanReal(text).valid;
}

QString NormalizeNumber(const QString& text)
{
    const RealScan s = scanReal(text);
    const double value = s.valid ? valueOf(s) : 0.0;
    // Beyond the float range the float is an infinity, as the conversion gives
    // on IEEE hardware; done by hand since the cast itself is undefined there.
    float f = 0.0f;
    if (std::isfinite(value) && std::fabs(value) > double(std::numeric_limits<float>::max())) {
        const float inf = std::numeric_limits<float>::infinity();
        const double lastHalf = double(std::numeric_limits<float>::max())
                                + std::ldexp(1.0, std::numeric_limits<float>::max_exponent - 25);
        if (std::fabs(value) < lastHalf)
            f = value < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
        else
            f = value < 0 ? -inf : inf;
    } else {
        f = static_cast<float>(value);
    }
    return renderFixed(double(f), 3, 9);
}

QString FormatFixed(double value, int decimals)
{
    return renderFixed(value, decimals, 10);
}

QString ExtractToken(QChar separator, const QString& text, int n)
{
    if (n <= 0)
        return QString();
    const int size = int(text.size());
    int count = 0;
    int i = 0;
    while (i < size) {
        while (i < size && text.at(i) == separator)
            ++i;
        if (i == size)
            break;
        const int start = i;
        while (i < size && text.at(i) != separator)
            ++i;
        if (++count == n)
            return text.mid(start, i - start);
    }
    return QString();
}

bool IsIntInRange(const QString& text, int32_t lo, int32_t hi)
{
    int32_t value = 0;
    return parseInteger(text, value) && lo <= value && value <= hi;
}

QString TwoDigits(uint16_t value)
{
    const QString digits = QString::number(value);
    return value < 10 ? QStringLiteral("0") + digits : digits;
}

QString ReadLine(QIODevice& file)
{
    auto failure = [&file]() {
        const auto* f = qobject_cast<const QFileDevice*>(&file);
        const QString name = f ? f->fileName() : QString();
        return FileError(QStringLiteral("Cannot read file '%1': %2").arg(name, file.errorString()));
    };
    if (!file.isReadable())
        throw failure();
    // Peek, then take exactly up to the LF: the rest stays in the device for
    // the next call. read() gives 0 at the end of the data and -1 on an error.
    QByteArray line;
    char buf[512];
    for (;;) {
        const qint64 got = file.peek(buf, sizeof buf);
        if (got < 0)
            throw failure();
        if (got == 0)
            break;
        const void* lf = std::memchr(buf, '\n', std::size_t(got));
        const qint64 take = lf ? static_cast<const char*>(lf) - buf + 1 : got;
        if (file.read(buf, take) != take)
            throw failure();
        if (lf) {
            line.append(buf, int(take - 1));
            break;
        }
        line.append(buf, int(take));
    }
    line.replace('\r', QByteArray());
    return QString::fromUtf8(line);
}

QString TimeStampName(const QString& prefix)
{
    const QDateTime now = appClock().now();
    const QDate date = now.date();
    const QTime time = now.time();
    return prefix + QString::number(date.year()) + TwoDigits(uint16_t(date.month()))
           + TwoDigits(uint16_t(date.day())) + TwoDigits(uint16_t(time.hour()))
           + TwoDigits(uint16_t(time.minute())) + TwoDigits(uint16_t(time.second()))
           + QStringLiteral(".txt");
}

int32_t StrToInt(const QString& text)
{
    int32_t value = 0;
    if (!parseInteger(text, value))
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}
