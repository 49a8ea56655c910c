// Link: text and number helpers shared by the reply decoders and the pages.
// Numbers always use the full stop as decimal point, whatever the locale.
#pragma once

#include <QString>
#include <cstdint>

class QIODevice;

// Value of Text in the real-number syntax: leading blanks, optional sign,
// digits, optional full stop and digits, optional exponent, nothing after.
// Out of the double range it saturates to infinity or zero. For other texts,
// all digits met before the first offending character (exponent digits
// included) read as one whole number, sign ignored: '12.5x' is 125, '1e5x' 15,
// no digit gives 0.
double ParseReal(const QString& text);
// True exactly when Text follows the real-number syntax.
bool IsNumber(const QString& text);
// Value of Text (0 when not a number) held as a 32-bit float, rendered as by
// FormatFixed with 3 decimals but width 9. Beyond the float range the value
// becomes an infinity (rendered "INF" / "-INF"), as the float conversion does.
QString NormalizeNumber(const QString& text);
// Value with Decimals decimals, right-aligned to width 10; a longer text is not
// cut. The value rounded is its shortest decimal form that reads back as the
// same double (2.675 is "2.675"), halves away from zero: 2.675 gives 2.68 with
// 2 decimals, 1.0625 gives 1.063 with 3. Always a full stop, "-" also for a
// negative value that rounds to zero ("-0.000"). Magnitudes from 1e36 on are
// written d.dddE+XX (still Decimals decimals, readable by ParseReal);
// infinities and NaN are "INF", "-INF" and "NAN". A negative Decimals is 0.
QString FormatFixed(double value, int decimals);
// The N-th (from 1) run of characters other than Separator; empty when none.
QString ExtractToken(QChar separator, const QString& text, int n);
// True when Text is a decimal or "$"/"x"/"0x" hexadecimal 32-bit integer in [lo, hi].
// Leading blanks only; hexadecimal has no sign, leading zeros are allowed and
// eight digits are the bit pattern (FFFFFFFF is -1).
bool IsIntInRange(const QString& text, int32_t lo, int32_t hi);
// Decimal text of Value, a single digit with a "0" in front.
QString TwoDigits(uint16_t value);
// Next line of a file open for reading: up to LF, without LF and without any CR.
// The bytes are UTF-8. Empty at end of file. Throws FileError on a read error
// or when the device is not open for reading.
QString ReadLine(QIODevice& file);
// Prefix + yyyy + MM + dd + hh + mm + ss + ".txt", from the program's clock.
QString TimeStampName(const QString& prefix);

// Integer in the syntax of IsIntInRange (full 32-bit range). Throws
// ConversionError "'<text>' is not a valid integer value" otherwise.
int32_t StrToInt(const QString& text);
