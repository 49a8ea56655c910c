// Platform: the program's persisted state, one key of the current user with
// sections of text values. On Windows it is the registry itself
// (HKEY_CURRENT_USER\Software\MorvaneControlPanel); elsewhere an INI file under
// the user's config folder, or a file named with setFileOverride().
#pragma once

#include <QString>
#include <memory>
#include <stdexcept>

class QSettings;

// A value of another type than text, or a store that cannot be read or written.
class RegistryError : public std::runtime_error {
public:
    explicit RegistryError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

class Registry {
public:
    // Opens the program's key, creating it when missing (for a file: its folder
    // and an empty file). A key that cannot be created reads as empty; writing
    // to it then fails.
    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    bool valueExists(const QString& section, const QString& name) const;
    // Text value; def when missing. Throws RegistryError for a value of another
    // type (in a file: an @ByteArray(...), @Variant(...), @Point(...) or
    // @Invalid() value). An unquoted text with commas in a file is still text
    // and reads with its parts joined by "," (blanks around them are lost).
    QString readString(const QString& section, const QString& name, const QString& def) const;
    // Integer value: decimal digits with an optional sign, or hexadecimal after
    // "$" or "0x"; def when missing or not such a text. Throws RegistryError
    // for a value of another type.
    int readInteger(const QString& section, const QString& name, int def) const;
    // Writes a text value and saves it at once, so that a failing value leaves
    // the ones after it unwritten. Throws RegistryError when the store refuses it.
    void writeString(const QString& section, const QString& name, const QString& value);
    void writeInteger(const QString& section, const QString& name, int value);
    // Writes pending changes; throws RegistryError when that fails.
    void flush();

    // The file behind the key where it is a file (empty on Windows).
    static QString storePath();
    // Uses the given INI file instead of the default place (empty restores it).
    static void setFileOverride(const QString& path);

    // Reads an integer text by the registry's rule; false when it is none. No
    // blanks; hexadecimal has no sign, up to eight significant digits, which are
    // the bit pattern ("$FFFFFFFF" is -1).
    static bool parseInteger(const QString& text, int& value);

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_isFile = true;
};
