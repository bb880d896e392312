#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator *installQtTranslations(QCoreApplication *application, const QLocale &locale)
{
    auto *translator = new QTranslator(application);
    // "qt" gathers Qt's modules (its base, its widgets' dialogs).
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    application->installTranslator(translator);
    return translator;
}
