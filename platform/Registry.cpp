#include "Registry.h"

#include <QSettings>
#include <QVariant>

namespace {
QString g_fileOverride;
const char* const kKey = "HKEY_CURRENT_USER\\Software\\MorvaneControlPanel";
const char* const kName = "MorvaneControlPanel";

QString keyOf(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}
} // namespace

Registry::Registry()
{
    if (!g_fileOverride.isEmpty()) {
        m_settings = std::make_unique<QSettings>(g_fileOverride, QSettings::IniFormat);
    } else {
#ifdef Q_OS_WIN
        m_settings = std::make_unique<QSettings>(QString::fromLatin1(kKey), QSettings::NativeFormat);
#else
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QString::fromLatin1(kName));
#endif
    }
    Q_UNUSED(kKey);
    Q_UNUSED(kName);
}

Registry::~Registry()
{
    m_settings->sync();
}

QString Registry::storePath()
{
    if (!g_fileOverride.isEmpty())
        return g_fileOverride;
#ifdef Q_OS_WIN
    return QString();
#else
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kName))
        .fileName();
#endif
}

void Registry::setFileOverride(const QString& path)
{
    g_fileOverride = path;
}

bool Registry::valueExists(const QString& section, const QString& name) const
{
    return m_settings->contains(keyOf(section, name));
}

QString Registry::readString(const QString& section, const QString& name, const QString& def) const
{
    const QVariant v = m_settings->value(keyOf(section, name));
    if (!v.isValid())
        return def;
    if (v.typeId() != QMetaType::QString)
        throw RegistryError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return v.toString();
}

int Registry::readInteger(const QString& section, const QString& name, int def) const
{
    const QString text = readString(section, name, QString());
    int value = 0;
    if (!parseInteger(text, value))
        return def;
    return value;
}

void Registry::writeString(const QString& section, const QString& name, const QString& value)
{
    if (!m_settings->isWritable())
        throw RegistryError(QStringLiteral("Failed to set data for '%1'").arg(name));
    m_settings->setValue(keyOf(section, name), value);
}

void Registry::writeInteger(const QString& section, const QString& name, int value)
{
    writeString(section, name, QString::number(value));
}

void Registry::flush()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        throw RegistryError(QStringLiteral("Failed to write %1").arg(m_settings->fileName()));
}

bool Registry::parseInteger(const QString& text, int& value)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1Char('$')) || t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(t.startsWith(QLatin1Char('$')) ? 1 : 2);
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        for (QChar c : digits)
            if (!isxdigit(c.toLatin1()))
                return false;
        v = static_cast<qint32>(digits.toUInt(&ok, 16));
    } else {
        int i = 0;
        if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))
            i = 1;
        if (i >= t.size())
            return false;
        for (int k = i; k < t.size(); ++k)
            if (!t[k].isDigit() || t[k].unicode() > 127)
                return false;
        v = t.toLongLong(&ok, 10);
        if (ok && (v < INT32_MIN || v > INT32_MAX))
            ok = false;
    }
    if (!ok)
        return false;
    value = static_cast<int>(v);
    return true;
}
