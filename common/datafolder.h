#pragma once

#include <QString>

// Where the settings, the recordings, the archives and the exports live.
struct DataFolder
{
    QString path;
    // Beside the executable, as a portable folder keeps them; otherwise the
    // program says at start which folder it uses.
    bool besideProgram = true;
};

// The folder asked for (`--dir`, then QUELVANE_DIR), or beside the program,
// except for a copy installed with the system's programs (a `bin` folder
// next to `share/quelvane`): that one never writes beside itself and keeps
// its data in the user's data folder ($XDG_DATA_HOME/quelvane, by default
// ~/.local/share/quelvane).
DataFolder chooseDataFolder(const QString &option, const QString &environment, const QString &programDir,
                            const QString &xdgDataHome, const QString &home);

// The chosen folder made if missing (only its owner may enter a folder the
// program makes) and tried with a file: false, and `error` in the user's
// words, when it cannot be used.
bool prepareDataFolder(const QString &path, QString *error);

// What the program says of a data folder that is not beside it.
QString dataFolderText(const QString &path);
