#pragma once

#include <QString>
#include <QStringList>

// The program's command line, once Qt has taken its own options (-platform,
// -style...) out of it.
struct Options
{
    enum class Action { Run, Help, Version, PasswordHash, Refused };
    Action action = Action::Run;
    bool headless = false;
    QString dir; // --dir: the data folder
    QString refusal; // what was wrong, for Refused
};
Options parseOptions(const QStringList &arguments);

// What `--help` prints, in the program's French.
QString helpText();
