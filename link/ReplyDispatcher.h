// Link: splitting a reply into fields, the status test, and the routing table
// that hands each reply to the decoder of the command sent last.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

// The decoder entries of the pages. Each gets the fields of a reply that
// passed the status test; they may throw (ConversionError for a missing or
// non-numeric field) and may write into the fields (the table decoders mark
// "Done"). The defaults decode nothing.
class ReplyDecoders {
public:
    virtual ~ReplyDecoders() = default;
    virtual void decodeId(QStringList&) {}              // "ID"
    virtual void decodeSetup(QStringList&) {}           // "SU"
    virtual void decodeMeasurement(QStringList&) {}     // "ME"
    // "X@", "Y@", "Z@", "R@", "A@", "B@", "D@": c1 is the command's first
    // character, upper-cased.
    virtual void decodeCoefficient(QChar, QStringList&) {}
    virtual void decodeCorrectionTable(QStringList&) {} // "LI"
    virtual void decodeProbeTable(QStringList&) {}      // "LP"
    virtual void decodeProbeSerial(QStringList&) {}     // "S@"
    virtual void decodeMemoryCounts(QStringList&) {}    // "LM"
    virtual void decodeMemoryLine(QStringList&) {}      // "DU"
};

enum class ReplyRoute {
    None,
    Id,
    Setup,
    Measurement,
    Coefficient,
    CorrectionTable,
    ProbeTable,
    ProbeSerial,
    ProbeSerialRequest, // "SP": send "S@", decode nothing
    MemoryCounts,
    MemoryLine,
};

// Splits a reply text into fields (blanks, commas, CR and LF separate; quoted
// stretches keep them; reading stops at a NUL).
QStringList SplitReply(const QByteArray& text);
// Field 0 is "0" or ends with the digit 0.
bool PassesStatus(const QStringList& fields);
// The route for a reply of fieldCount fields after lastCommand.
ReplyRoute RouteFor(const QString& lastCommand, int fieldCount);
