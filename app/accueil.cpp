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
    for (QWidget *progress : {static_cast<QWidget *>(ui->labelChargement), static_cast<QWidget *>(ui->progressChargement),
                              static_cast<QWidget *>(ui->BtnQuitter)})
        progress->hide();
    connect(ui->BtnQuitter, &QPushButton::clicked, this, [this] {
        if (reloading)
            emit quitAsked();
        else
            emit cancelAsked();
    });
}

void Accueil::showProgress(int percent)
{
    reloading = true;
    ui->labelChargement->show();
    ui->progressChargement->show();
    ui->BtnQuitter->setText(QStringLiteral("Quitter"));
    ui->layoutChargement->setAlignment(ui->BtnQuitter, {});
    ui->BtnQuitter->show();
    // Without a size to go by, the bar only says that the work goes on.
    ui->progressChargement->setRange(0, percent < 0 ? 0 : 100);
    if (percent >= 0)
        ui->progressChargement->setValue(percent);
}

void Accueil::offerCancel()
{
    reloading = false;
    ui->labelChargement->hide();
    ui->progressChargement->hide();
    ui->BtnQuitter->setText(QStringLiteral("Annuler"));
    // Alone on its line, the button keeps its own size, centred.
    ui->layoutChargement->setAlignment(ui->BtnQuitter, Qt::AlignHCenter);
    ui->BtnQuitter->show();
}

Accueil::~Accueil()
{
    delete ui;
}
