#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QByteArray>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QStringList>

#include "router/liveboxinfos.h"

class Accueil;
class Graph;
class QSettings;
class QTimer;
class Ui_MainWindow;

// The main window owns the gateway session, both measurement records, the
// polling timer and the chart window. Its operations are grouped by concern:
// lifecycle and settings in app/, the gateway in router/, polling and files
// in recording/.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Ui_MainWindow *ui;
    Graph *graph = nullptr;
    Accueil *accueil = nullptr;
    QTimer *cycleTimer = nullptr;
    LiveBoxInfos LBInfos;
    LiveBoxInfos OldLBInfos;
    QString lastSynchroText;
    double lastChangeTimeSeen = 0.0;
    double pppLastChangeTimeSeen = 0.0;
    QString startTime;
    QString user;
    QString password;
    QString ssid;
    QString livebox;
    bool algoType = false;
    int cycleMs = 0;
    int diapoMs = 0;
    QNetworkAccessManager manager;
    bool connected = false;
    // Paths and bodies of the older gateways' REST requests, in sending
    // order; the device query (last path) is a GET and has no body.
    QStringList restPaths;
    QList<QByteArray> restBodies;

public slots:
    void RebootLiveBox();
    void LiveBoxGetInfos(LiveBoxInfos *LBinfos);
    void LiveBox4GetInfos(LiveBoxInfos *LBinfos);
    void AppendCSV();
    void CreateCSV();
    void ReadCSV();
    void SaveCSV(const QString &FileSave);
    void UpDateAffichage();
    void CycleTimerHandler();
    void on_BtnGraphiques_clicked();
    void on_BtnQuitter_clicked();
    void on_checkPass_clicked(bool checked);
    void on_tabWidget_currentChanged(int index);
    void on_timeEditCycle_timeChanged(const QTime &time);
    void on_timeEditDiapo_timeChanged(const QTime &time);
    void on_BtnActualiser_clicked();
    void on_BtnStartAcquisition_clicked();
    void on_BtnStopAcquisition_clicked();
    void on_BtnSaveReleve_clicked();
    void on_BtnRazReleve_clicked();
    void on_editPass_textChanged(const QString &text);
    void on_comboExportFormat_currentIndexChanged(const QString &text);
    void on_checkDiapoCourbes_toggled(bool checked);
    void on_checkDiapoErreurs_toggled(bool checked);
    void on_BtnRapportGraphique_clicked();
    void on_checkAffDate_toggled(bool checked);
    void on_checkAffHeure_toggled(bool checked);
    void on_checkPortrait_toggled();
    void on_checkPaysage_toggled();
    void on_timeEditArret_timeChanged(const QTime &time);
    void on_btnReboot_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool acquisitionRunning = false;
    bool acquisitionWarningOpen = false;

    void readSettings(QSettings &settings);
    void readGeometry(QSettings &settings);
    void writeSettings(QSettings &settings);
};

#endif
