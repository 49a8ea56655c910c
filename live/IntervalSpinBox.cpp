#include "IntervalSpinBox.h"

namespace {

// A sign followed by digits only (either may be missing).
bool isSignedDigits(const QString& text)
{
    int i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool hasDigit(const QString& text)
{
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            return true;
    }
    return false;
}

} // namespace

IntervalSpinBox::IntervalSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State IntervalSpinBox::validate(QString& text, int&) const
{
    const QString& t = text;
    if (t.isEmpty())
        return QValidator::Intermediate;
    if (!isSignedDigits(t))
        return QValidator::Invalid;
    bool ok = false;
    const qlonglong value = t.toLongLong(&ok);
    if (!ok)
        return QValidator::Intermediate; // a sign alone, or too many digits
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                    : QValidator::Intermediate;
}

void IntervalSpinBox::fixup(QString& text) const
{
    const QString t = text.trimmed();
    int value = minimum();
    if (isSignedDigits(t) && hasDigit(t)) {
        bool ok = false;
        const qlonglong typed = t.toLongLong(&ok);
        if (ok)
            value = static_cast<int>(qBound(qlonglong(minimum()), typed, qlonglong(maximum())));
        else if (!t.startsWith(QLatin1Char('-')))
            value = maximum(); // more digits than any 64-bit number
    }
    text = QString::number(value);
}
