#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTranslator>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>

#include "app/language.h"
#include "common/screenfit.h"
#include "app/version.h"
#include "ui_mainwindow.h"

namespace {
QString paragraph(const QString &text)
{
    return QStringLiteral("<html><head/><body><p>%1</p></body></html>").arg(text);
}

const QString gradient = QStringLiteral(
    "background-color: qlineargradient(spread:pad, x1:0.03, y1:0.0345455, x2:0.95, y2:0.999909, "
    "stop:0 rgba(255, 202, 96, 255), stop:0.869347 rgba(255, 230, 179, 255));");
}

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    QMainWindow window;
    Ui_MainWindow ui;

    template<typename T>
    T *find(const QString &name)
    {
        return window.findChild<T *>(name);
    }

    // The label of a display row: the first label of the field's row frame.
    QString rowLabel(const QString &field)
    {
        auto *widget = find<QWidget>(field);
        auto *label = widget ? widget->parentWidget()->findChild<QLabel *>() : nullptr;
        return label ? label->text() : QString();
    }

private slots:
    void initTestCase()
    {
        initResources();
        ui.setupUi(&window);
    }

    // Qt's standard buttons and dialogs speak the user's French.
    void standardDialogsSpeakFrench()
    {
        QTranslator *translator = installQtTranslations(qApp, QLocale(QLocale::French, QLocale::France));
        QVERIFY2(translator, "qttranslations5-l10n is missing: scripts/install-deps installs it");
        QMessageBox box(QMessageBox::Question, QStringLiteral("Remise à zéro"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Oui"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Non"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Annuler"));
        QFileDialog files(nullptr, QStringLiteral("Enregistrer"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setAcceptMode(QFileDialog::AcceptSave);
        QStringList labels;
        for (QLabel *label : files.findChildren<QLabel *>())
            labels << label->text();
        QVERIFY2(labels.contains(QStringLiteral("&Nom de fichier :")) && labels.contains(QStringLiteral("Voir dans :")), qPrintable(labels.join(QLatin1Char('|'))));
        qApp->removeTranslator(translator);
        delete translator;
        QCOMPARE(QMessageBox(QMessageBox::Question, QString(), QString(), QMessageBox::Yes).button(QMessageBox::Yes)->text(),
                 QStringLiteral("&Yes"));
    }

    // The whole framed window within the screen's free area: a title bar
    // above the screen, or a bottom under a panel, cannot be reached.
    void framedWindowStaysWithinTheScreen_data()
    {
        QTest::addColumn<QRect>("client");
        QTest::addColumn<QRect>("fitted");
        // 1366 x 768 with a 28-pixel panel at the top; frames of 24 above and 4 around.
        QTest::newRow("title bar above") << QRect(0, 0, 600, 440) << QRect(4, 52, 600, 440);
        QTest::newRow("under the bottom") << QRect(300, 500, 600, 440) << QRect(300, 324, 600, 440);
        QTest::newRow("larger") << QRect(0, 0, 1400, 900) << QRect(4, 52, 1358, 712);
        QTest::newRow("within") << QRect(100, 100, 600, 440) << QRect(100, 100, 600, 440);
    }

    void framedWindowStaysWithinTheScreen()
    {
        QFETCH(QRect, client);
        QFETCH(QRect, fitted);
        const QRect area(0, 28, 1366, 740);
        const QMargins frame(4, 24, 4, 4);
        const QRect result = framedWithin(client, frame, area);
        QCOMPARE(result, fitted);
        QVERIFY(area.contains(result.marginsAdded(frame)));
    }

    void windowFrame()
    {
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Quelvane"));
        QCOMPARE(window.size(), QSize(667, 628));
        QCOMPARE(find<QFrame>("frame")->minimumWidth(), 175);
        QCOMPARE(find<QFrame>("frame")->maximumWidth(), 175);
    }

    void commandButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::newRow("refresh") << "BtnActualiser" << "ACTUALISER" << paragraph("Interroge la Box une seule fois");
        QTest::newRow("charts") << "BtnGraphiques" << "GRAPHIQUES" << paragraph("Ouvre la fenêtre des graphiques");
        QTest::newRow("start") << "BtnStartAcquisition" << "DEMARRER ACQUISITION"
                               << paragraph("Interrogation cyclique de la LiveBox avec stockage en CSV");
        QTest::newRow("stop") << "BtnStopAcquisition" << "ARRETER ACQUISITION" << QString();
        QTest::newRow("reboot") << "btnReboot" << "REBOOT LIVEBOX" << QString();
        QTest::newRow("report") << "BtnRapportGraphique" << "RAPPORT GRAPHIQUE PDF"
                                << paragraph("Crée un PDF avec les principaux graphiques.");
        QTest::newRow("save") << "BtnSaveReleve" << "SAUVEGARDER RELEVES"
                              << paragraph("Sauvegarde dans le répertoire &quot;archives&quot;");
        QTest::newRow("reset") << "BtnRazReleve" << "RAZ RELEVES"
                               << paragraph("Vider le fichier de relévés avec sauvegarde éventuelle");
        QTest::newRow("quit") << "BtnQuitter" << "QUITTER" << QString();
    }

    void commandButtons()
    {
        QFETCH(QString, name);
        auto *button = find<QPushButton>(name);
        QVERIFY2(button, qPrintable(name));
        QTEST(button->text(), "text");
        QTEST(button->toolTip(), "tip");
        QCOMPARE(button->minimumHeight(), 40);
        QCOMPARE(button->maximumHeight(), 40);
    }

    void commandButtonsAreInPanelOrder()
    {
        const QStringList expected = {"BtnActualiser", "BtnGraphiques", "BtnStartAcquisition",
                                      "BtnStopAcquisition", "btnReboot", "BtnRapportGraphique",
                                      "BtnSaveReleve", "BtnRazReleve", "BtnQuitter"};
        QStringList order;
        QLayout *layout = find<QFrame>("frame")->layout();
        int spacerAt = -1;
        for (int i = 0; i < layout->count(); ++i) {
            if (QWidget *w = layout->itemAt(i)->widget())
                order << w->objectName();
            else if (layout->itemAt(i)->spacerItem())
                spacerAt = order.size();
        }
        QCOMPARE(order, expected);
        QCOMPARE(spacerAt, 5); // between the restart and the report buttons
    }

    void tabsInOrder()
    {
        QTabWidget *tabs = ui.tabWidget;
        // The four tabs of the form keep their order; "Alertes" comes last.
        QCOMPARE(tabs->count(), 5);
        const QStringList names = {"tabConnexion", "tabInternet", "tabQualite", "tabParametres", "tabAlertes"};
        const QStringList titles = {"Connexion", "Internet", "Qualité", "Paramètres", "Alertes"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(tabs->widget(i)->objectName(), names.at(i));
            QCOMPARE(tabs->tabText(i), titles.at(i));
            QCOMPARE(tabs->widget(i)->styleSheet().simplified(),
                     QStringLiteral("#%1 { %2 }").arg(names.at(i), gradient));
        }
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(tabs->styleSheet().simplified(), QStringLiteral("#tabQualite { %1 }").arg(gradient));
        QCOMPARE(window.styleSheet().simplified(), QStringLiteral("#MainWindow { %1 }").arg(gradient));
        QCOMPARE(ui.centralWidget->styleSheet().simplified(), QStringLiteral("#centralWidget { %1 }").arg(gradient));
    }

    void displayFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("width");
        QTest::newRow("reading") << "editDateTime" << "Dernière mise à jour des informations" << 150;
        QTest::newRow("synchro") << "editSynchroTime" << "Dernière synchronisation DSL (2.3)" << 150;
        QTest::newRow("up rate, two blanks") << "editUpStreamCurrRate"
                                             << "Débit  de synchronisation DSL montant (2.5)" << 150;
        QTest::newRow("useful down") << "editDownStreamUseRate"
                                     << "Débit descendant utile (85% du débit de synchro.)" << 150;
        QTest::newRow("modulation hint") << "editModulationHint" << "Mode de modulation  (ModulationHint)" << 150;
        QTest::newRow("hardware") << "editHardwareVersion" << "Version matérielle de la  Livebox" << 150;
        QTest::newRow("internet reading") << "editDateTime_3" << "Dernière mise à jour des informations" << 150;
        QTest::newRow("mtu") << "editMaxMRUSize" << "Taille maxi MTU (3.9)" << 150;
        QTest::newRow("dns2") << "editDNS2" << "Adresse IP du DNSv4 secondaire (3.13)" << 150;
        QTest::newRow("quality reading") << "editDateTime_2" << "Dernière mise à jour des informations" << 150;
        QTest::newRow("down margin") << "editDownStreamNoiseMargin" << "Marge de bruit descendante (2.7)" << 75;
        QTest::newRow("down margin delta") << "editDownStreamNoiseDelta" << "Marge de bruit descendante (2.7)" << 75;
        QTest::newRow("errored") << "editErroredSec" << "Secondes erronnées (2.8)" << 75;
        QTest::newRow("atuc fec delta") << "editATUCFECDelta" << "Erreurs ATU-C FEC" << 75;
        QTest::newRow("init errors") << "editInitErrors" << "Erreurs d'initialisation connexion (InitErrors)" << 75;
    }

    void displayFields()
    {
        QFETCH(QString, field);
        auto *edit = find<QLineEdit>(field);
        QVERIFY2(edit, qPrintable(field));
        QVERIFY(edit->isReadOnly());
        QVERIFY(!edit->acceptDrops());
        QVERIFY(!edit->isClearButtonEnabled());
        QTEST(edit->maximumWidth(), "width");
        QTEST(rowLabel(field), "label");
    }

    void everyDisplayFieldExists()
    {
        const QStringList fields = {
            "editDateTime", "editRebootTime", "editSynchroTime", "editSynchroDuree", "editUpStreamCurrRate",
            "editDownStreamCurrRate", "editUpStreamMaxRate", "editDownStreamMaxRate", "editUpStreamUseRate",
            "editDownStreamUseRate", "editSSID", "editModulationType", "editModulationHint",
            "editNumberOfReboot", "editSoftwareVersion", "editHardwareVersion", "editDateTime_3",
            "editConnectTime", "editTransportType", "editMaxMRUSize", "editIPAdress", "editDNS1", "editDNS2",
            "editDateTime_2", "editUpStreamNoiseMargin", "editUpStreamNoiseDelta", "editDownStreamNoiseMargin",
            "editDownStreamNoiseDelta", "editUpStreamAttenuation", "editDownStreamAttenuation",
            "editErroredSec", "editErroredSecDelta", "editSeverelyErroredSec", "editSeverelyErroredSecDelta",
            "editCRCErrors", "editCRCDelta", "editATUCCRCErrors", "editATUCCRCDelta", "editHECErrors",
            "editHECDelta", "editATUCHECErrors", "editATUCHECDelta", "editFECErrors", "editFECDelta",
            "editATUCFECErrors", "editATUCFECDelta", "editLinkRetran", "editInitErrors"};
        for (const QString &name : fields) {
            auto *edit = find<QLineEdit>(name);
            QVERIFY2(edit && edit->isReadOnly(), qPrintable(name));
        }
        // Sixteen rows on "Connexion", seven on "Internet".
        QCOMPARE(ui.tabConnexion->findChildren<QLineEdit *>().size(), 16);
        QCOMPARE(ui.tabInternet->findChildren<QLineEdit *>().size(), 7);
        QCOMPARE(ui.tabQualite->findChildren<QLineEdit *>().size(), 25);
    }

    void emphasisedRows()
    {
        QVERIFY(find<QLineEdit>("editSynchroTime")->font().bold());
        QVERIFY(find<QLineEdit>("editDownStreamCurrRate")->font().bold());
        QVERIFY(!find<QLineEdit>("editDateTime")->font().bold());
        QVERIFY(find<QLineEdit>("editUpStreamMaxRate")->parentWidget()->findChild<QLabel *>()->font().italic());
    }

    void parameterControls()
    {
        QLineEdit *pass = ui.editPass;
        QCOMPARE(pass->text(), QStringLiteral("XXXXXXXX"));
        QCOMPARE(pass->echoMode(), QLineEdit::Password);
        QVERIFY(!pass->isReadOnly());
        QVERIFY(pass->acceptDrops());
        QCOMPARE(pass->maximumWidth(), 75);
        QVERIFY(pass->inputMethodHints() & Qt::ImhSensitiveData);
        QVERIFY(pass->inputMethodHints() & Qt::ImhHiddenText);
        QCOMPARE(pass->toolTip(), QStringLiteral("<html><head/><body><p align=\"center\">Mot de passe par défaut "
                                                 "LiveBox<br/>8 premiers caractères <br/>de la clé WIFI<br/>avec "
                                                 "des majuscules.</p></body></html>"));
        QCOMPARE(find<QLabel>("labelPass")->text(),
                 QStringLiteral("Mot de passe administrateur de la LiveBox (user : admin)"));
        QCOMPARE(ui.checkPass->text(), QStringLiteral("Voir"));
        QVERIFY(!ui.checkPass->isChecked());

        QCOMPARE(ui.timeEditCycle->displayFormat(), QStringLiteral("HH:mm:ss"));
        QCOMPARE(ui.timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(ui.timeEditCycle->minimumTime(), QTime(0, 0, 0));
        QCOMPARE(ui.timeEditCycle->maximumTime(), QTime(2, 0, 0));
        QVERIFY(ui.timeEditCycle->isAccelerated());
        QCOMPARE(ui.timeEditCycle->currentSection(), QDateTimeEdit::MinuteSection);
        QCOMPARE(ui.timeEditArret->time(), QTime(0, 5, 0));
        QCOMPARE(ui.timeEditArret->maximumTime(), QTime(2, 0, 0));
        QCOMPARE(ui.timeEditDiapo->displayFormat(), QStringLiteral("mm:ss"));
        QCOMPARE(ui.timeEditDiapo->time(), QTime(0, 0, 5));
        QCOMPARE(ui.timeEditDiapo->minimumTime(), QTime(0, 0, 1));
        QCOMPARE(ui.timeEditDiapo->maximumTime(), QTime(0, 2, 0));
        QVERIFY(!ui.timeEditDiapo->isAccelerated());

        QVERIFY(!ui.checkDiapoCourbes->isChecked());
        QVERIFY(ui.checkDiapoErreurs->isChecked());
        QVERIFY(ui.checkAffDate->isChecked());
        QVERIFY(ui.checkAffHeure->isChecked());
        QVERIFY(ui.checkReloadCSV->isChecked());
        QVERIFY(ui.checkReloadCSV->text().isEmpty());
        QVERIFY(!ui.checkPortrait->isChecked());
        QVERIFY(ui.checkPaysage->isChecked());
        QVERIFY(!ui.checkSaveAuto->isChecked());
        QVERIFY(!ui.checkRazAuto->isChecked());
        QVERIFY(!ui.checkPdfAuto->isChecked());
        QVERIFY(ui.radioLB23->isChecked());
        QCOMPARE(ui.radioLB23->text(), QStringLiteral("LB 2 ou 3"));
        QCOMPARE(ui.radioLB34->text(), QStringLiteral("LB 3 ou 4"));
        QVERIFY(ui.pushButton->isFlat());
        QVERIFY(ui.pushButton->text().isEmpty());
        QCOMPARE(ui.pushButton->iconSize(), QSize(48, 48));
        QVERIFY(!ui.pushButton->icon().isNull());
        QVERIFY(ui.labelAbout->text().contains(QStringLiteral("testé sur Livebox Play, compatible Livebox 2")));
    }

    void exportFormatsInStoredOrder()
    {
        QComboBox *combo = ui.comboExportFormat;
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{"pdf", "png", "svg", "jpg", "bmp", "xpm", "tif"}));
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(!combo->isEditable());
    }

    void radioPairsAreIndependent()
    {
        ui.checkPortrait->setChecked(true);
        QVERIFY(!ui.checkPaysage->isChecked());
        ui.checkPaysage->setChecked(true);
        QVERIFY(!ui.checkPortrait->isChecked());
        QVERIFY(ui.radioLB23->isChecked()); // the model pair is untouched
        ui.radioLB34->setChecked(true);
        QVERIFY(!ui.radioLB23->isChecked());
        QVERIFY(ui.checkPaysage->isChecked());
    }

    void cycleEditorAcceptsZero()
    {
        // The 5-second floor belongs to the window's slot, not to the editor.
        ui.timeEditCycle->setTime(QTime(0, 0, 0));
        QCOMPARE(ui.timeEditCycle->time(), QTime(0, 0, 0));
    }
};

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
