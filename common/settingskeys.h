#pragma once

// Every key of livebox.ini, named once. Section LIVEBOX: the gateway and the
// recording's network; GUI: the main window's geometry; MONITOR: its
// parameters; COURBES and FORMAT: the charts' (two of each are shared);
// GRAPH: the chart window's own state; METRIQUES: the metrics endpoint.
namespace Key {
constexpr char LiveBox[] = "LIVEBOX/LiveBox";
constexpr char User[] = "LIVEBOX/User";
constexpr char Pass[] = "LIVEBOX/Pass";
constexpr char SSID[] = "LIVEBOX/SSID";
constexpr char AlgoType[] = "LIVEBOX/AlgoType";

constexpr char GuiX[] = "GUI/X";
constexpr char GuiY[] = "GUI/Y";
constexpr char GuiWidth[] = "GUI/Width";
constexpr char GuiHeight[] = "GUI/Height";

constexpr char Cycle[] = "MONITOR/Cycle";
constexpr char Arret[] = "MONITOR/Arret";
constexpr char Diapo[] = "MONITOR/Diapo";
constexpr char ExportFormat[] = "MONITOR/ExportFormat";
constexpr char ReloadCSV[] = "MONITOR/ReloadCSV";
constexpr char SaveAuto[] = "MONITOR/SaveAuto";
constexpr char RazAuto[] = "MONITOR/RazAuto";
constexpr char PdfAuto[] = "MONITOR/PdfAuto";

constexpr char MaxNoise[] = "COURBES/MaxNoise";
constexpr char MinNoise[] = "COURBES/MinNoise";
constexpr char MaxMaxRate[] = "COURBES/MaxMaxRate";
constexpr char MinMaxRate[] = "COURBES/MinMaxRate";
constexpr char PasMaxRate[] = "COURBES/PasMaxRate";
constexpr char MaxCRC[] = "COURBES/MaxCRC";
constexpr char MinCRC[] = "COURBES/MinCRC";
constexpr char MaxHEC[] = "COURBES/MaxHEC";
constexpr char MinHEC[] = "COURBES/MinHEC";
constexpr char MaxFEC[] = "COURBES/MaxFEC";
constexpr char MinFEC[] = "COURBES/MinFEC";
constexpr char ReculMinute[] = "COURBES/ReculMinute";
constexpr char PlageHeure[] = "COURBES/PlageHeure";
constexpr char TempsMaxHeure[] = "COURBES/TempsMaxHeure";
constexpr char DecHistoSec[] = "COURBES/DecHistoSec";
constexpr char PenCurve[] = "COURBES/PenCurve";
constexpr char PenHisto[] = "COURBES/PenHisto";
constexpr char PenSynch[] = "COURBES/PenSynch";
constexpr char ExportScale[] = "COURBES/ExportScale";
constexpr char ExportResol[] = "COURBES/ExportResol";
constexpr char NbJrSynch[] = "COURBES/NbJrSynch";
constexpr char DiapoCourbes[] = "COURBES/DiapoCourbes";
constexpr char DiapoErreurs[] = "COURBES/DiapoErreurs";

constexpr char EchDate[] = "FORMAT/EchDate";
constexpr char EchHeure[] = "FORMAT/EchHeure";
constexpr char TpsDateFormat[] = "FORMAT/TpsDateFormat";
constexpr char TpsHeureFormat[] = "FORMAT/TpsHeureFormat";
constexpr char TpsSeparFormat[] = "FORMAT/TpsSeparFormat";
constexpr char RapPageOrient[] = "FORMAT/RapPageOrient";

// The metrics for Prometheus: "host:port", or a port alone (127.0.0.1); off
// when absent. Read only: it is set by editing the file.
constexpr char MetricsAddress[] = "METRIQUES/Adresse";
// Who may read them: a user and the crypt(3) hash of the password (what
// "quelvane --password-hash" prints); open to anyone when both are absent.
// Read only, as the address.
constexpr char MetricsUser[] = "METRIQUES/Utilisateur";
constexpr char MetricsPasswordHash[] = "METRIQUES/EmpreinteMotDePasse";

// The alerts and the tray ("Alertes" tab).
constexpr char AlertResync[] = "ALERTES/Resynchro";
constexpr char AlertRestart[] = "ALERTES/Redemarrage";
constexpr char AlertConnection[] = "ALERTES/Connexion";
constexpr char AlertRateDrop[] = "ALERTES/ChuteDebit";
constexpr char AlertRateDropPercent[] = "ALERTES/ChuteDebitPct";
constexpr char AlertFailedPolls[] = "ALERTES/Echecs";
constexpr char AlertFailedPollCount[] = "ALERTES/EchecsNombre";
constexpr char AlertMargin[] = "ALERTES/Marge";
constexpr char AlertMarginDb[] = "ALERTES/MargeDb";
constexpr char AlertCrc[] = "ALERTES/CRC";
constexpr char AlertCrcPerMinute[] = "ALERTES/CRCParMinute";
constexpr char AlertFec[] = "ALERTES/FEC";
constexpr char AlertFecPerMinute[] = "ALERTES/FECParMinute";
constexpr char AlertCommand[] = "ALERTES/Commande";
constexpr char AlertCommandSeconds[] = "ALERTES/CommandeDelai";
constexpr char CloseToTray[] = "ALERTES/FermerVersZone";

constexpr char GraphX[] = "GRAPH/X";
constexpr char GraphY[] = "GRAPH/Y";
constexpr char GraphWidth[] = "GRAPH/Width";
constexpr char GraphHeight[] = "GRAPH/Height";
constexpr char Size0[] = "GRAPH/Size0";
constexpr char Size1[] = "GRAPH/Size1";
constexpr char IndexCourbes[] = "GRAPH/IndexCourbes";
constexpr char IndexErreurs[] = "GRAPH/IndexErreurs";
constexpr char NoisePdf[] = "GRAPH/NoisePdf";
constexpr char DebitMaxPdf[] = "GRAPH/DebitMaxPdf";
constexpr char CrcPdf[] = "GRAPH/CrcPdf";
constexpr char HecPdf[] = "GRAPH/HecPdf";
constexpr char FecPdf[] = "GRAPH/FecPdf";
}
