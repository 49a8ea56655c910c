#include "PanelFixture.h"

#include "Form1.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QSettings>

PanelFixture::PanelFixture() : m_scopedDialogs(std::make_unique<ScopedDialogs>(&dialogs))
{
    Registry::setFileOverride(settingsPath());
}

PanelFixture::~PanelFixture()
{
    if (m_form) {
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        delete m_form.data();
    }
    Registry::setFileOverride(QString());
}

QString PanelFixture::settingsPath() const
{
    return m_dir.filePath(QStringLiteral("settings.ini"));
}

void PanelFixture::preset(const QString& section, const QString& name, const QString& value)
{
    QSettings s(settingsPath(), QSettings::IniFormat);
    s.setValue(section + QLatin1Char('/') + name, value);
}

void PanelFixture::presetNonText(const QString& section, const QString& name, int value)
{
    QSettings s(settingsPath(), QSettings::IniFormat);
    // A binary value: it reads back as a byte array, not as text.
    s.setValue(section + QLatin1Char('/') + name, QByteArray::number(value));
}

QString PanelFixture::stored(const QString& section, const QString& name) const
{
    QSettings s(settingsPath(), QSettings::IniFormat);
    return s.value(section + QLatin1Char('/') + name).toString();
}

QStringList PanelFixture::storedKeys(const QString& section) const
{
    QSettings s(settingsPath(), QSettings::IniFormat);
    s.beginGroup(section);
    return s.childKeys();
}

TForm1& PanelFixture::start()
{
    m_form = new TForm1;
    return *m_form;
}

void PanelFixture::closeWindow()
{
    if (!m_form)
        return;
    m_form->close();
    // The window frees itself once closed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
