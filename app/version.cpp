#include "version.h"

#include <qwt_global.h>

QString programVersionText()
{
    return QStringLiteral("Version " QUELVANE_RELEASE);
}

QString qtVersionText()
{
    return QString::fromLatin1(qVersion());
}

QString qwtVersionText()
{
    return QStringLiteral(QWT_VERSION_STR);
}

QString aboutNotice()
{
    return QStringLiteral("Quelvane, suivi de ligne DSL");
}

void initResources()
{
    // The icons live in the static core library, whose resources are not
    // registered unless something asks for them.
    Q_INIT_RESOURCE(icons);
}
