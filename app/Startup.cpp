#include "Startup.h"

#include <QApplication>
#include <QFont>

void applyPanelFonts(QApplication& app)
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    app.setFont(font);
}
