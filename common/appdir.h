#pragma once

#include <QString>

// The program keeps every file beside its executable. Tests point this at a
// scratch folder so that nothing they run writes next to the test binaries.
namespace AppDir {
QString path();
QString filePath(const QString &name);
void setPath(const QString &dir); // empty restores the executable's folder
}
