#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QStringList>

#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "router/gateway.h"
#include "router/liveboxinfos.h"

class Accueil;
class Graph;
class QLineEdit;
class QNetworkRequest;
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

    // A request that stays silent or trickles ends as a failure after this.
    int requestDeadlineMs = 30000;
    static constexpr qint64 maxReplyBytes = 8 * 1024 * 1024;

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
    // One gateway operation at a time: a poll, the start-up poll or the
    // restart. Another one asked for while it waits is ignored.
    class GatewayOperation
    {
    public:
        explicit GatewayOperation(MainWindow *window);
        ~GatewayOperation();
        GatewayExchange &exchange() { return m_exchange; }

    private:
        MainWindow *m_window;
        GatewayExchange m_exchange;
    };

    bool gatewayBusy() const;
    bool wsLogin(GatewayExchange &exchange, QByteArray *contextId, QByteArray *cookie);
    QNetworkRequest wsSessionRequest(const QByteArray &contentType, const QByteArray &contextId,
                                     const QByteArray &cookie) const;
    void finishDeferredClose();
    bool copyRecording(const QString &target);
    QString networkName();
    void handleChangeOfDay();
    void logSynchronisation();

    QHash<QString, QLineEdit *> displayFields; // by object name, filled at the first poll
    QString lastNetworkName; // the latest real Wi-Fi name, from a poll or the settings
    PendingLines pendingRows{130000}; // rows of the recording and the log not written yet
    GatewayExchange *gatewayExchange = nullptr;
    bool closeDeferred = false;
    bool acquisitionRunning = false;
    bool acquisitionWarningOpen = false;

    void readSettings(QSettings &settings);
    void readGeometry(QSettings &settings);
    void writeSettings(QSettings &settings);
};

#endif
