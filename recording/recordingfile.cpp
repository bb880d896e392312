#include "app/mainwindow.h"

void MainWindow::CreateCSV() {}
void MainWindow::AppendCSV() {}
void MainWindow::ReadCSV() {}
