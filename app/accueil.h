#pragma once

#include <QDialog>

class Ui_Accueil;

// Frameless splash shown while the first poll runs at start-up, and while
// the recording is read back.
class Accueil : public QDialog
{
    Q_OBJECT

public:
    explicit Accueil(QWidget *parent = nullptr);
    ~Accueil() override;

    // A long reload shows how far it is (negative: not known), and a way out.
    void showProgress(int percent);
    // A gateway that holds the start-up's poll can be given up.
    void offerCancel();

signals:
    // The splash's one button: "Quitter" while the recording is read back,
    // "Annuler" while the gateway is waited on.
    void quitAsked();
    void cancelAsked();

private:
    Ui_Accueil *ui;
    bool reloading = false;
};
