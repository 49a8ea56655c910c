#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cstdint>

namespace {
QString g_fileOverride;
#ifdef Q_OS_WIN
const char* const kKey = "HKEY_CURRENT_USER\\Software\\MorvaneControlPanel";
#else
const char* const kName = "MorvaneControlPanel";
#endif

QString keyOf(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}

// Creates the folder and an empty file when they are missing, so that the key
// exists even before anything is written. Failing is silent: reads then see
// an empty key and writes report the error.
void createFileIfMissing(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.close();
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
} // namespace

Registry::Registry()
{
#ifdef Q_OS_WIN
    m_isFile = !g_fileOverride.isEmpty();
#endif
    if (m_isFile) {
        const QString path = storePath();
        createFileIfMissing(path);
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    } else {
#ifdef Q_OS_WIN
        // The native store creates the key when it is opened.
        m_settings = std::make_unique<QSettings>(QString::fromLatin1(kKey), QSettings::NativeFormat);
#endif
    }
}

Registry::~Registry()
{
    // Nothing is pending after writeString; this only guards against losing
    // changes made through other paths. Errors here have nowhere to go.
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
    const QString key = keyOf(section, name);
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        // Missing, or present as a value without a type (@Invalid() in a file).
        if (!m_settings->contains(key))
            return def;
    } else if (v.typeId() == QMetaType::QString) {
        return v.toString();
    } else if (m_isFile && v.typeId() == QMetaType::QStringList) {
        // A file has no list type of its own: an unquoted text holding commas
        // reads back split at them.
        return v.toStringList().join(QLatin1Char(','));
    }
    throw RegistryError(QStringLiteral("Invalid data type for '%1'").arg(name));
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
    const QString failed = QStringLiteral("Failed to set data for '%1'").arg(name);
    if (!m_settings->isWritable())
        throw RegistryError(failed);
    m_settings->setValue(keyOf(section, name), value);
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        throw RegistryError(failed);
}

void Registry::writeInteger(const QString& section, const QString& name, int value)
{
    writeString(section, name, QString::number(value));
}

void Registry::flush()
{
    if (!m_settings->isWritable())
        throw RegistryError(QStringLiteral("Failed to write %1").arg(m_settings->fileName()));
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        throw RegistryError(QStringLiteral("Failed to write %1").arg(m_settings->fileName()));
}

bool Registry::parseInteger(const QString& text, int& value)
{
    const int n = int(text.size());
    if (n == 0)
        return false;
    int hexStart = -1;
    if (text.at(0) == u'$')
        hexStart = 1;
    else if (n >= 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X'))
        hexStart = 2;

    if (hexStart >= 0) {
        if (hexStart == n)
            return false;
        uint64_t v = 0;
        for (int i = hexStart; i < n; ++i) {
            const int d = hexDigitValue(text.at(i));
            if (d < 0)
                return false;
            v = v * 16 + uint64_t(d);
            if (v > 0xFFFFFFFFu)
                return false;
        }
        value = v > 0x7FFFFFFFu ? int(int64_t(v) - 0x100000000LL) : int(v);
        return true;
    }

    int i = 0;
    bool negative = false;
    if (text.at(0) == u'+' || text.at(0) == u'-') {
        negative = text.at(0) == u'-';
        i = 1;
    }
    if (i == n)
        return false;
    int64_t v = 0;
    for (; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            return false;
        v = v * 10 + (u - u'0');
        if (v > 0x80000000LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX)
        return false;
    value = int(v);
    return true;
}
