#include "Errors.h"

#include "Dialogs.h"

#include <QStringList>

bool guardedAction(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const PanelError& e) {
        appDialogs().error(e.text());
    } catch (const std::exception& e) {
        appDialogs().error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

QString fieldAt(const QStringList& fields, int index)
{
    if (index < 0 || index >= fields.size())
        throw ConversionError(
            QStringLiteral("Reply field %1 missing (%2 fields)").arg(index).arg(fields.size()));
    return fields.at(index);
}
