#pragma once

#include <QString>

QString programVersionText(); // "Version 3.00 beta 1"
QString qtVersionText();      // the Qt library in use at run time
QString qwtVersionText();     // the Qwt library the program was built with
QString aboutNotice();        // one line saying what the program is

// Registers the icon resources of the core library; safe to call again.
void initResources();
