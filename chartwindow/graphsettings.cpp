#include <QSettings>

#include "common/screenfit.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "graph.h"
#include "ui_graph.h"

namespace {
Setting tabSetting(const char *key, QTabWidget *tabs)
{
    return {key, [tabs](const QVariant &v) { tabs->setCurrentIndex(v.toInt()); },
            [tabs] { return QVariant(tabs->currentIndex()); }, 0};
}
}

SettingsTable Graph::settingsTable()
{
    // In the order they are read; a key that is absent keeps the built-in
    // value, and so does a number outside its range (a hand-edited file may
    // hold anything).
    SettingsTable table = geometrySettings({Key::GraphHeight, Key::GraphWidth, Key::GraphY, Key::GraphX}, this,
                                           &savedGeometry);
    table += {
        {Key::Size0, [this](const QVariant &v) { savedSizes[0] = v.toInt(); },
         [this] { return QVariant(ui->splitterGraph->sizes().value(0)); }},
        {Key::Size1, [this](const QVariant &v) { savedSizes[1] = v.toInt(); },
         [this] { return QVariant(ui->splitterGraph->sizes().value(1)); }},
        numberSetting(Key::ExportScale, &exportScale, 0.01, 100),
        integerSetting(Key::ExportResol, &exportResol, 10, 2400),
        // The slideshow's pages, which the main window's boxes show: an
        // absent key leaves a page out.
        flagSetting(Key::DiapoErreurs, &diapoErreurs, false),
        flagSetting(Key::DiapoCourbes, &diapoCourbes, false),
        numberSetting(Key::NbJrSynch, &nbJrSynch, 1, 3660),
        tabSetting(Key::IndexErreurs, ui->tabErreurs),
        tabSetting(Key::IndexCourbes, ui->tabCourbes),
    };
    return table;
}

void Graph::readSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    // A chart fed by the acquisition has read its keys already.
    if (ownChart) {
        ownChart->readSettings(settings);
        ownChart->ssid = settings.value(QLatin1String(Key::SSID)).toString();
    }
    readTable(settings, settingsTable());

    // Until the window has been shown and saved once, the form's size is a
    // better start than the toolkit's smallest; a size saved on a larger
    // screen is cut to this one.
    const QRect fitted = fitToScreens(savedGeometry);
    if (savedGeometry.width() > 0 && savedGeometry.height() > 0)
        setGeometry(fitted);
    else
        move(fitted.topLeft());
    // Two empty panes (a window never opened) would hide both plots.
    if (savedSizes[0] > 0 || savedSizes[1] > 0)
        ui->splitterGraph->setSizes({savedSizes[0], savedSizes[1]});
}

void Graph::writeSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    writeTable(settings, settingsTable());
    if (ownChart)
        writeTable(settings, ownChart->settingsTable());
}
