#pragma once

#include <QString>

// The real program started with the recording `name` to reload, `runs`
// times: the median time to its window and the peak resident memory.
// Needs an X display (scripts/bench gives it one).
int measureStartUp(const QString &name, int runs = 3);

// Headless, SIGTERM sent while the recording `name` reloads: how soon the
// program ends.
int measureHeadlessStop(const QString &name);

// Headless, started with the recording `name` to reload ("empty": none),
// `runs` times: the time to its first row and its peak resident memory.
int measureHeadlessStart(const QString &name, int runs = 5);
