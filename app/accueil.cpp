#include "accueil.h"

#include "ui_accueil.h"
#include "version.h"

Accueil::Accueil(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Accueil)
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    ui->labelAcceuil->setText(programVersionText());
    ui->labelCopyright->setTextFormat(Qt::RichText);
    ui->labelCopyright->setText(QStringLiteral("%1 - <img src=\":/icons/QtCreator\" width=\"32\" height=\"32\"> - Qt %2 - Qwt %3")
                                    .arg(aboutNotice(), qtVersionText(), qwtVersionText()));
}

Accueil::~Accueil()
{
    delete ui;
}
