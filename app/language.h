#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

// Qt's own translations (standard buttons, file dialogs) for `locale`, from
// the system's Qt translations: the program's own texts are French already,
// and Qt's would otherwise stay English. Null when none is installed for it.
QTranslator *installQtTranslations(QCoreApplication *application, const QLocale &locale = QLocale());
