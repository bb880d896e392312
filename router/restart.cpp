#include "app/mainwindow.h"

void MainWindow::RebootLiveBox() {}

void MainWindow::on_btnReboot_clicked()
{
    RebootLiveBox();
}
