#pragma once

#include <QDialog>

class Ui_Accueil;

// Frameless splash shown while the first poll runs at start-up.
class Accueil : public QDialog
{
    Q_OBJECT

public:
    explicit Accueil(QWidget *parent = nullptr);
    ~Accueil() override;

private:
    Ui_Accueil *ui;
};
