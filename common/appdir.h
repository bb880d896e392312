#pragma once

#include <QString>

// The data folder: beside the executable unless the start-up chose another
// (datafolder.h). Tests point it at a scratch folder so that nothing they
// run writes next to the test binaries.
namespace AppDir {
QString path();
QString filePath(const QString &name);
void setPath(const QString &dir); // empty restores the executable's folder
}
