// Link: text and number helpers shared by the reply decoders and the pages.
// Numbers always use the full stop as decimal point, whatever the locale.
#pragma once

#include <QString>
#include <cstdint>

class QIODevice;

// Value of Text in the real-number syntax; for other texts, the digits met
// before the first offending character read as one whole number (0 when none).
double ParseReal(const QString& text);
// True exactly when Text follows the real-number syntax.
bool IsNumber(const QString& text);
// Value of Text (0 when not a number) held as a 32-bit float, 3 decimals, width 9.
QString NormalizeNumber(const QString& text);
// Value with Decimals decimals (halves away from zero), right-aligned to width 10.
QString FormatFixed(double value, int decimals);
// The N-th (from 1) run of characters other than Separator; empty when none.
QString ExtractToken(QChar separator, const QString& text, int n);
// True when Text is a decimal or "$"/"x"/"0x" hexadecimal 32-bit integer in [lo, hi].
bool IsIntInRange(const QString& text, int32_t lo, int32_t hi);
// Decimal text of Value, a single digit with a "0" in front.
QString TwoDigits(uint16_t value);
// Next line of a file open for reading: up to LF, without LF and without any CR.
// Empty at end of file. Throws FileError on a read error.
QString ReadLine(QIODevice& file);
// Prefix + yyyy + MM + dd + hh + mm + ss + ".txt", from the program's clock.
QString TimeStampName(const QString& prefix);

// Integer in the syntax of IsIntInRange (full 32-bit range). Throws
// ConversionError "'<text>' is not a valid integer value" otherwise.
int32_t StrToInt(const QString& text);
