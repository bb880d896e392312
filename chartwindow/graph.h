#pragma once

#include <QDate>
#include <QDialog>
#include <QRect>
#include <QSizeF>
#include <QList>
#include <QPolygonF>
#include <QString>

#include <array>
#include <memory>

#include <qwt_plot_marker.h>

#include "charts/chartdata.h"
#include "charts/chartplot.h"
#include "common/settingstable.h"

struct LiveBoxInfos;
class QCheckBox;
class QTimer;
class QwtDateScaleDraw;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotGrid;
class QwtPlotPicker;
class QwtPlotZoneItem;
class Ui_Graph;

// The chart window: five time plots (noise margins, rates, CRC, HEC, FEC)
// and the synchronisation summary. Its operations are grouped by concern:
// construction here, curves and time window in curves.cpp, slideshow,
// labels and zones, the summary's tab, and the export and report slots.
// Each time plot is drawn by charts/chartplot, as the day report's are.
//
// What it draws is a `ChartData`, its own or the acquisition's; the
// members that the charts' description names are references into it.
class Graph : public QDialog
{
    Q_OBJECT

    // One time plot, its drawn items (plot, scale draw, grid, curves,
    // sticks) and those of the window alone, in the order noise, rates,
    // CRC, HEC, FEC; the members below that the charts' description names
    // are references into this table.
    struct TimePlot : ChartPlot
    {
        QwtPlotPicker *picker = nullptr;
        QwtPlotMarker marker;            // its point label
        QCheckBox *reportBox = nullptr;  // shows and sets whether the report draws it
        const char *exportPart = nullptr;  // its exports: a part of the file name,
        const char *exportTitle = nullptr; // the title drawn on the image,
        const char *exportMessage = nullptr; // and the title of the box that says where it went
    };
    std::array<TimePlot, 5> plotTable;
    std::unique_ptr<ChartData> ownChart; // when no one else feeds it

public:
    explicit Graph(QWidget *parent = nullptr);
    // Draws `data`, which outlives the window.
    explicit Graph(ChartData *data, QWidget *parent = nullptr);
    ~Graph() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    ChartData &chart;

    // A reload's rows go into a table apart, which continues the curves as
    // they stand (plain code: a reload may run beside the window); the
    // window takes them at once, then rescales and draws.
    SampleReload newReload() const { return chart.newReload(); }
    void takeReload(SampleReload &&reload);
    // The same, the rows handed to UpDateCurves in between.
    void beginReload(size_t expectedRows = 0) { chart.beginReload(expectedRows); }
    void endReload();
    // Draws the chart data again after it changed behind the window.
    void chartChanged();

    // Shows one calendar day, from its midnight to the next, whatever the
    // clock says: the day report draws it. Any zoom leaves it.
    void ShowDay(const QDate &date);

    // Runs `render` with the axes of `plot` fitted to `size`, then fits
    // them to the screen again.
    template <typename Render> void withAxesFor(QwtPlot *plot, const QSizeF &size, Render render)
    {
        prepareRender(plot, size);
        render();
        endRender(plot);
    }
    Ui_Graph *ui;
    int diapoInterval = 0;
    QString exportFormat;
    QTimer *diapoTimer = nullptr;
    QwtDateScaleDraw *&scaleDrawNoise = plotTable[0].scaleDraw;
    QwtDateScaleDraw *&scaleDrawMaxRate = plotTable[1].scaleDraw;
    QwtDateScaleDraw *&scaleDrawCrc = plotTable[2].scaleDraw;
    QwtDateScaleDraw *&scaleDrawHec = plotTable[3].scaleDraw;
    QwtDateScaleDraw *&scaleDrawFec = plotTable[4].scaleDraw;
    // Every sample of the time curves; the sample arrays that the charts'
    // description names are views of it.
    SampleTable &samples = chart.samples;
    QwtPlotCurve *curveUpload = nullptr;
    const SeriesView pointsUpload{&samples, CurveUpload};
    QwtPlotCurve *curveDownload = nullptr;
    const SeriesView pointsDownload{&samples, CurveDownload};
    QwtPlotCurve *curveMaxUp = nullptr;
    const SeriesView pointsMaxUp{&samples, CurveMaxUp};
    QwtPlotCurve *curveMaxDown = nullptr;
    const SeriesView pointsMaxDown{&samples, CurveMaxDown};
    QwtPlotCurve *curveDslUp = nullptr;
    const SeriesView pointsDslUp{&samples, CurveDslUp};
    QwtPlotCurve *curveDslDown = nullptr;
    const SeriesView pointsDslDown{&samples, CurveDslDown};
    QwtPlotCurve *curveCrc = nullptr;
    const SeriesView pointsCrc{&samples, CurveCrc};
    QwtPlotCurve *curveAtucCrc = nullptr;
    const SeriesView pointsAtucCrc{&samples, CurveAtucCrc};
    QwtPlotCurve *curveHec = nullptr;
    const SeriesView pointsHec{&samples, CurveHec};
    QwtPlotCurve *curveAtucHec = nullptr;
    const SeriesView pointsAtucHec{&samples, CurveAtucHec};
    QwtPlotCurve *curveFec = nullptr;
    const SeriesView pointsFec{&samples, CurveFec};
    QwtPlotCurve *curveAtucFec = nullptr;
    const SeriesView pointsAtucFec{&samples, CurveAtucFec};
    QwtPlotCurve *&curveSynchroNoise = plotTable[0].synchro;
    QwtPlotCurve *&curveSynchroMaxRate = plotTable[1].synchro;
    QwtPlotCurve *&curveSynchroCrc = plotTable[2].synchro;
    QwtPlotCurve *&curveSynchroHec = plotTable[3].synchro;
    QwtPlotCurve *&curveSynchroFec = plotTable[4].synchro;
    QPolygonF &pointsSynchro = samples.synchro;
    QwtPlotGrid *&gridNoise = plotTable[0].grid;
    QwtPlotGrid *&gridMaxRate = plotTable[1].grid;
    QwtPlotGrid *&gridCrc = plotTable[2].grid;
    QwtPlotGrid *&gridHec = plotTable[3].grid;
    QwtPlotGrid *&gridFec = plotTable[4].grid;
    QwtPlotPicker *&pickerNoise = plotTable[0].picker;
    QwtPlotPicker *&pickerMaxRate = plotTable[1].picker;
    QwtPlotPicker *&pickerCrc = plotTable[2].picker;
    QwtPlotPicker *&pickerHec = plotTable[3].picker;
    QwtPlotPicker *&pickerFec = plotTable[4].picker;
    QwtPlotMarker &markerNoise = plotTable[0].marker;
    QwtPlotMarker &markerMaxRate = plotTable[1].marker;
    QwtPlotMarker &markerCrc = plotTable[2].marker;
    QwtPlotMarker &markerHec = plotTable[3].marker;
    QwtPlotMarker &markerFec = plotTable[4].marker;

    // Synchronisation summary: x = hour of the day, y = date-time.
    QwtDateScaleDraw *scaleDrawDays = nullptr;
    QwtPlotGrid *gridSynchro = nullptr;
    QwtPlotCurve *curveSumSynchro = nullptr;
    QPolygonF pointsSumSynchro;
    QwtPlotCurve *curveSumReboot = nullptr;
    QPolygonF pointsSumReboot;
    QwtPlotCurve *curveSumConnexion = nullptr;
    QPolygonF pointsSumConnexion;

    QList<QwtPlotZoneItem *> zoneList;
    double &tempsArret = chart.tempsArret;
    double &cycleInUse = chart.cycleInUse;

    double &firstSampleTime = samples.firstSampleTime;
    double &lastSampleTime = samples.lastSampleTime;
    double &refTime = chart.refTime;
    double &scrollOffset = chart.scrollOffset;
    double &windowStart = chart.windowStart;
    double &windowEnd = chart.windowEnd;
    double &axisStep = chart.axisStep;
    int &axisMaxMinor = chart.axisMaxMinor;
    int &axisMaxMajor = chart.axisMaxMajor;

    double &minNoise = chart.minNoise;
    double &maxNoise = chart.maxNoise;
    double &minMaxRate = chart.minMaxRate;
    double &maxMaxRate = chart.maxMaxRate;
    double &pasMaxRate = chart.pasMaxRate;
    double &minCrc = chart.minCrc;
    double &maxCrc = chart.maxCrc;
    double &minHec = chart.minHec;
    double &maxHec = chart.maxHec;
    double &minFec = chart.minFec;
    double &maxFec = chart.maxFec;

    double nbJrSynch = 20.0;
    double &reculMinute = chart.reculMinute;
    double &plageHeure = chart.plageHeure;
    double &tempsMaxHeure = chart.tempsMaxHeure;
    double &decHistoSec = chart.decHistoSec;

    double &penCurve = chart.penCurve;
    double &penHisto = chart.penHisto;
    double &penSynch = chart.penSynch;
    double &penRatio = chart.penRatio;

    double exportScale = 3.0;
    int exportResol = 85;
    bool diapoErreurs = true;
    bool diapoCourbes = true;

    QString &ssid = chart.ssid;
    QString &liveboxType = chart.liveboxType;
    QString &liveboxSoftware = chart.liveboxSoftware;

    QString &tpsHeureFormat = chart.tpsHeureFormat;
    QString &tpsDateFormat = chart.tpsDateFormat;
    QString &tpsSeparFormat = chart.tpsSeparFormat;
    QString &axisLabelFormat = chart.axisLabelFormat;
    bool &echHeure = chart.echHeure;
    bool &echDate = chart.echDate;

    int &rapPageOrient = chart.rapPageOrient;

    // The pickers' handler: a point label at the sample nearest `Pos`. Not
    // a slot, so that the form's connection by name, which has no object
    // called "Picker", finds nothing to warn about.
    void on_Picker_Temps(const QPointF &Pos);

public slots:
    void UpDateCurves(LiveBoxInfos *LBox, LiveBoxInfos *OldLBox);
    void UpDateScales();
    void ClearCurves();
    void SetZoomTout();
    void SetZoom3H();
    void SetZoomPlage(double value);
    void on_BtnZoomTout_clicked();
    void on_BtnZoom3H_clicked();
    void on_BtnZoomPlus_clicked();
    void on_BtnZoomMoins_clicked();
    void on_scrollTemps_valueChanged(int value);
    void on_checkAvanceAuto_toggled(bool checked);
    void on_BtnNoiseMaxPlus_clicked();
    void on_BtnNoiseMaxMoins_clicked();
    void on_BtnNoiseMinPlus_clicked();
    void on_BtnNoiseMinMoins_clicked();
    void on_BtnMaxRateMaxPlus_clicked();
    void on_BtnMaxRateMaxMoins_clicked();
    void on_BtnMaxRateMinPlus_clicked();
    void on_BtnMaxRateMinMoins_clicked();
    void on_BtnCRCMaxPlus_clicked();
    void on_BtnCRCMaxMoins_clicked();
    void on_BtnHECMaxPlus_clicked();
    void on_BtnHECMaxMoins_clicked();
    void on_BtnFECMaxPlus_clicked();
    void on_BtnFECMaxMoins_clicked();

    void on_BtnDiapo_toggled(bool checked);
    void DiapoTimerHandler();
    void on_tabCourbes_currentChanged(int index);
    void on_tabErreurs_currentChanged(int index);

    void ResetMarker();
    void addZone(double Deb, double Fin);
    void clearListZone();

    void InitTabSynchronisations();
    void UpDateSynchronisations();
    void on_BtnSynchroPlus_clicked();
    void on_BtnSynchroMoins_clicked();
    void on_BtnUpDateSynchro_clicked();

    void on_BtnExportNoise_clicked();
    void on_BtnExportMaxRate_clicked();
    void on_BtnExportCRC_clicked();
    void on_BtnExportHEC_clicked();
    void on_BtnExportFEC_clicked();
    void on_BtnExportSynchro_clicked();
    void RapportGraphique(const QString &File, const QString &Day);
    void on_BtnSynchroPdf_clicked();

private:
    void syncScrollBar();
    void setUpDayPicker();
    void stepDay(int days); // the picked day, a day earlier or later
    // Saves `plot` as shown, in the export format, and says where it went;
    // false when nothing could be written.
    bool exportPlot(QwtPlot *plot, const QString &namePart, const QString &title, const QString &messageTitle);
    void exportTimePlot(int index);
    QList<QwtPlot *> timePlots() const;
    // The time plot drawn by `plot`; null for the summary's.
    TimePlot *timePlotOf(QwtPlot *plot);
    QSizeF onScreenCanvas(QwtPlot *plot) const;
    void prepareRender(QwtPlot *plot, const QSizeF &size);
    void endRender(QwtPlot *plot);
    // Zones and the scroll bar after samples came in.
    void samplesAdded();
    size_t zonedGaps = 0; // the stalls drawn as zones
    // The window's keys of livebox.ini, read by its constructor and written
    // by its destructor (graphsettings.cpp).
    SettingsTable settingsTable();
    void readSettings();
    void writeSettings();
    void applyPens();
    void replotTimePlots();
    void moveLimit(double *limit, double value);
    QRect savedGeometry;
    int savedSizes[2] = {0, 0};
};
