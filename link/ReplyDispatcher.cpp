#include "ReplyDispatcher.h"

#include "CommandChannel.h"

#include <QListWidget>

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\r' || c == '\n';
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

} // namespace

QStringList SplitReply(const QByteArray& text)
{
    // The reply ends at the first NUL, wherever the block ends.
    const int end = [&] {
        const int nul = text.indexOf('\0');
        return nul < 0 ? int(text.size()) : nul;
    }();

    QStringList fields;
    int pos = 0;
    while (pos < end) {
        // Blanks and line ends before a field are skipped; a comma is not, it
        // ends an (empty, dropped) field of its own.
        while (pos < end && (text[pos] == ' ' || text[pos] == '\r' || text[pos] == '\n'))
            ++pos;
        if (pos >= end)
            break;

        const int start = pos;
        char closer = 0; // the quote that ends the open stretch, 0 outside one
        for (; pos < end; ++pos) {
            const char c = text[pos];
            if (isQuote(c)) {
                if (closer == 0)
                    closer = c;
                else if (c == closer)
                    closer = 0;
                else
                    closer = c; // the other kind now closes the stretch
            } else if (closer == 0 && isSeparator(c)) {
                break;
            }
        }
        if (pos > start)
            fields.append(QString::fromLatin1(text.constData() + start, pos - start));
        if (pos < end)
            ++pos; // the separator that ended the field
    }
    return fields;
}

bool PassesStatus(const QStringList& fields)
{
    if (fields.isEmpty() || fields.first().isEmpty())
        return false;
    // "0" itself ends with the digit 0, so one test covers both forms.
    return fields.first().back() == QLatin1Char('0');
}

ReplyRoute RouteFor(const QString& lastCommand, int fieldCount)
{
    // A one-letter command has its CR as second character; a text shorter
    // than two characters (nothing sent yet) has no route at all.
    if (lastCommand.size() < 2)
        return ReplyRoute::None;
    const char c1 = lastCommand.at(0).toUpper().toLatin1();
    const QChar rawC2 = lastCommand.at(1);
    const char c2 = rawC2.toUpper().toLatin1();
    const bool table = fieldCount > 3;

    switch (c1) {
    case 'A':
    case 'B':
    case 'R':
    case 'X':
    case 'Y':
    case 'Z':
        return c2 == '@' ? ReplyRoute::Coefficient : ReplyRoute::None;
    case 'D':
        if (c2 == '@')
            return ReplyRoute::Coefficient;
        return c2 == 'U' ? ReplyRoute::MemoryLine : ReplyRoute::None;
    case 'I':
        return c2 == 'D' ? ReplyRoute::Id : ReplyRoute::None;
    case 'L':
        if (!table)
            return ReplyRoute::None;
        if (c2 == 'I')
            return ReplyRoute::CorrectionTable;
        if (c2 == 'M')
            return ReplyRoute::MemoryCounts;
        if (c2 == 'P')
            return ReplyRoute::ProbeTable;
        return ReplyRoute::None;
    case 'M':
        return c2 == 'E' ? ReplyRoute::Measurement : ReplyRoute::None;
    case 'S':
        if (c2 == 'U')
            return ReplyRoute::Setup;
        if (rawC2 == QLatin1Char('P')) // the lower-case "p" has no route
            return ReplyRoute::ProbeSerialRequest;
        return c2 == '@' ? ReplyRoute::ProbeSerial : ReplyRoute::None;
    default:
        return ReplyRoute::None;
    }
}

void CommandChannel::DispatchReply(const QByteArray& line)
{
    ReplyFields = SplitReply(line);
    showReplyFields();
    if (ReplyFields.size() < 2 || !PassesStatus(ReplyFields))
        return;

    const ReplyRoute route = RouteFor(LastCommand, int(ReplyFields.size()));
    if (route == ReplyRoute::ProbeSerialRequest) {
        // Runs inside the receive step: this send waits its full pacing.
        CommsRequest(QStringLiteral("S@"));
        return;
    }
    if (route == ReplyRoute::None || !m_decoders)
        return;

    try {
        runDecoder(route);
    } catch (...) {
        showReplyFields(); // what the decoder wrote before it failed
        throw;
    }
    showReplyFields(); // the table decoders mark "Done" in the fields
}

void CommandChannel::runDecoder(ReplyRoute route)
{
    ReplyDecoders& d = *m_decoders;
    switch (route) {
    case ReplyRoute::Id:
        d.decodeId(ReplyFields);
        break;
    case ReplyRoute::Setup:
        d.decodeSetup(ReplyFields);
        break;
    case ReplyRoute::Measurement:
        d.decodeMeasurement(ReplyFields);
        break;
    case ReplyRoute::Coefficient:
        d.decodeCoefficient(LastCommand.at(0).toUpper(), ReplyFields);
        break;
    case ReplyRoute::CorrectionTable:
        d.decodeCorrectionTable(ReplyFields);
        break;
    case ReplyRoute::ProbeTable:
        d.decodeProbeTable(ReplyFields);
        break;
    case ReplyRoute::ProbeSerial:
        d.decodeProbeSerial(ReplyFields);
        break;
    case ReplyRoute::MemoryCounts:
        d.decodeMemoryCounts(ReplyFields);
        break;
    case ReplyRoute::MemoryLine:
        d.decodeMemoryLine(ReplyFields);
        break;
    case ReplyRoute::None:
    case ReplyRoute::ProbeSerialRequest:
        break;
    }
}

void CommandChannel::showReplyFields()
{
    if (!m_ui.ListBox1)
        return;
    m_ui.ListBox1->clear();
    m_ui.ListBox1->addItems(ReplyFields);
}
