#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QString appTitle()
{
    return QApplication::applicationDisplayName();
}

// "Text files (*.txt)|*.TXT" -> "Text files (*.txt *.TXT)"
QString qtFilter(const QString& filter)
{
    const int bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    QString label = filter.left(bar);
    const QString patterns = filter.mid(bar + 1).replace(QLatin1Char(';'), QLatin1Char(' '));
    const int open = label.indexOf(QLatin1Char('('));
    if (open >= 0)
        label = label.left(open).trimmed();
    return QStringLiteral("%1 (%2 %3)").arg(label, patterns.toLower(), patterns);
}
} // namespace

void QtDialogs::information(const QString& text)
{
    QMessageBox::information(m_parent, appTitle(), text);
}

void QtDialogs::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

void QtDialogs::error(const QString& text)
{
    QMessageBox::critical(m_parent, appTitle(), text);
}

bool QtDialogs::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, appTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString QtDialogs::openFileName(const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, QString(), QString(), qtFilter(filter));
}

bool QtDialogs::printerSetup(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

namespace {
QtDialogs g_qtDialogs;
Dialogs* g_dialogs = &g_qtDialogs;
} // namespace

Dialogs& appDialogs()
{
    return *g_dialogs;
}

void setAppDialogs(Dialogs* dialogs)
{
    g_dialogs = dialogs ? dialogs : &g_qtDialogs;
}
