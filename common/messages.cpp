#include "messages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {
bool &headlessFlag()
{
    static bool flag = false;
    return flag;
}
}

void Messages::setHeadless(bool headless)
{
    headlessFlag() = headless;
}

bool Messages::headless()
{
    return headlessFlag();
}

QString Messages::line(const QString &title, const QString &text)
{
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("quelvane: ") + title + QStringLiteral(": ") + flat;
}

void Messages::print(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s\n", line(title, text).toLocal8Bit().constData());
    std::fflush(stderr);
}

void Messages::warnLater(QWidget *parent, const QString &title, const QString &text, std::function<void()> dismissed)
{
    if (headless()) {
        print(title, text);
        if (dismissed)
            dismissed();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (dismissed)
        QObject::connect(box, &QMessageBox::finished, box, [dismissed] { dismissed(); });
    box->open();
}

void Messages::withdraw(const QString &title, const QString &text)
{
    if (headless())
        return;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible() && box->windowTitle() == title && box->text() == text)
            box->done(QMessageBox::Ok);
    }
}

void Messages::warning(QWidget *parent, const QString &title, const QString &text)
{
    if (headless())
        print(title, text);
    else
        QMessageBox::warning(parent, title, text);
}

void Messages::information(QWidget *parent, const QString &title, const QString &text)
{
    if (headless())
        print(title, text);
    else
        QMessageBox::information(parent, title, text);
}

QMessageBox::StandardButton Messages::question(QWidget *parent, const QString &title, const QString &text,
                                               QMessageBox::StandardButtons buttons)
{
    if (headless()) {
        print(title, text);
        return QMessageBox::NoButton;
    }
    return QMessageBox::question(parent, title, text, buttons, QMessageBox::NoButton);
}
