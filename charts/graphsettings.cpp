#include <QSettings>

#include <cmath>

#include "common/screenfit.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "graph.h"
#include "timewindow.h"
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
    const double big = 1e12;
    SettingsTable table = geometrySettings({Key::GraphHeight, Key::GraphWidth, Key::GraphY, Key::GraphX}, this,
                                           &savedGeometry);
    table += {
        {Key::Size0, [this](const QVariant &v) { savedSizes[0] = v.toInt(); },
         [this] { return QVariant(ui->splitterGraph->sizes().value(0)); }},
        {Key::Size1, [this](const QVariant &v) { savedSizes[1] = v.toInt(); },
         [this] { return QVariant(ui->splitterGraph->sizes().value(1)); }},
        // Read here, written by the main window only.
        {Key::SSID, [this](const QVariant &v) { ssid = v.toString(); }, nullptr},
        numberSetting(Key::MaxNoise, &maxNoise, -1000, big),
        numberSetting(Key::MinNoise, &minNoise, -1000, big),
        numberSetting(Key::MaxMaxRate, &maxMaxRate, -1e9, big),
        numberSetting(Key::MinMaxRate, &minMaxRate, -1e9, big),
        numberSetting(Key::PasMaxRate, &pasMaxRate, 0, 1e9),
        numberSetting(Key::MaxCRC, &maxCrc, 1e-6, big),
        numberSetting(Key::MinCRC, &minCrc, 1e-6, big),
        numberSetting(Key::MaxHEC, &maxHec, 1e-6, big),
        numberSetting(Key::MinHEC, &minHec, 1e-6, big),
        numberSetting(Key::MaxFEC, &maxFec, 1e-6, big),
        numberSetting(Key::MinFEC, &minFec, 1e-6, big),
        numberSetting(Key::ReculMinute, &reculMinute, 0, 24 * 60),
        numberSetting(Key::PlageHeure, &plageHeure, 0.1, 24 * 366),
        numberSetting(Key::TempsMaxHeure, &tempsMaxHeure, 1, 24 * 366),
        numberSetting(Key::DecHistoSec, &decHistoSec, 0, 3600),
        numberSetting(Key::PenCurve, &penCurve, 0, 50),
        numberSetting(Key::PenHisto, &penHisto, 0, 50),
        numberSetting(Key::PenSynch, &penSynch, 0, 50),
        numberSetting(Key::ExportScale, &exportScale, 0.01, 100),
        integerSetting(Key::ExportResol, &exportResol, 10, 2400),
        flagSetting(Key::DiapoErreurs, &diapoErreurs),
        flagSetting(Key::DiapoCourbes, &diapoCourbes),
        // A first start shows both the date and the hour.
        flagSetting(Key::EchDate, &echDate, true),
        flagSetting(Key::EchHeure, &echHeure, true),
        textSetting(Key::TpsDateFormat, &tpsDateFormat),
        textSetting(Key::TpsHeureFormat, &tpsHeureFormat),
        textSetting(Key::TpsSeparFormat, &tpsSeparFormat),
        integerSetting(Key::RapPageOrient, &rapPageOrient, std::numeric_limits<int>::min(),
                       std::numeric_limits<int>::max()),
        numberSetting(Key::NbJrSynch, &nbJrSynch, 1, 3660),
        tabSetting(Key::IndexErreurs, ui->tabErreurs),
        tabSetting(Key::IndexCourbes, ui->tabCourbes),
        // An absent key leaves the plot out of the report.
        flagSetting(Key::NoisePdf, &plotTable[0].inReport, false),
        flagSetting(Key::DebitMaxPdf, &plotTable[1].inReport, false),
        flagSetting(Key::CrcPdf, &plotTable[2].inReport, false),
        flagSetting(Key::HecPdf, &plotTable[3].inReport, false),
        flagSetting(Key::FecPdf, &plotTable[4].inReport, false),
    };
    return table;
}

void Graph::readSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    rateTopFromFirstSample = !settings.contains(QLatin1String(Key::MaxMaxRate));
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
    keepAxesUsable();
}

void Graph::keepAxesUsable()
{
    // A pair whose bottom is not below its top would make an empty axis.
    const auto pair = [](double *min, double *max, const AxisRange &fallback) {
        if (*min >= *max) {
            *min = fallback.min;
            *max = fallback.max;
        }
    };
    pair(&minNoise, &maxNoise, AxisDefault::noise);
    pair(&minMaxRate, &maxMaxRate, AxisDefault::maxRate);
    pair(&minCrc, &maxCrc, AxisDefault::crc);
    pair(&minHec, &maxHec, AxisDefault::hec);
    pair(&minFec, &maxFec, AxisDefault::fec);
    // A step of 0 would leave the rate axis's "+" and "-" without effect.
    if (pasMaxRate <= 0)
        pasMaxRate = roundStep(maxMaxRate - minMaxRate);
}

void Graph::writeSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    writeTable(settings, settingsTable());
}
