#pragma once

#include <QString>

// livebox.ini beside the program: the one configuration of both windows.
QString settingsFilePath();

// The file holds the gateway password in clear: keep it to its owner.
void restrictToOwner(const QString &path);
