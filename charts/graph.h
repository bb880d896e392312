#ifndef GRAPH_H
#define GRAPH_H

#include <QDialog>
#include <QString>

struct LiveBoxInfos;
class Ui_Graph;

// The chart window. The main window writes the public settings members
// directly, from its parameter controls and after each poll.
class Graph : public QDialog
{
    Q_OBJECT

public:
    explicit Graph(QWidget *parent = nullptr);
    ~Graph() override;

    Ui_Graph *ui;
    int diapoInterval = 0;
    QString exportFormat;
    double tempsArret = 300;
    bool diapoErreurs = true;
    bool diapoCourbes = true;
    bool echHeure = false;
    bool echDate = false;
    int rapPageOrient = 1;
    QString ssid;
    QString liveboxType;
    QString liveboxSoftware;
    double plageHeure = 3.0;

    // A reload hands every recorded row to UpDateCurves; the plots are
    // drawn once, at its end.
    void beginReload();
    void endReload();

public slots:
    void UpDateCurves(LiveBoxInfos *LBox, LiveBoxInfos *OldLBox);
    void UpDateScales();
    void ClearCurves();
    void SetZoomTout();
    void SetZoom3H();
    void SetZoomPlage(double value);
    void RapportGraphique(const QString &File, const QString &Day);
    void UpDateSynchronisations();
};

#endif
