#include "app/mainwindow.h"

void MainWindow::SaveCSV(const QString &) {}
void MainWindow::on_BtnSaveReleve_clicked() {}
void MainWindow::on_BtnRazReleve_clicked() {}
