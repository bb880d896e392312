#ifndef MODALCLOSER_H
#define MODALCLOSER_H

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTest>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Closes every modal box that opens while it lives, recording its title and
// text, so that no test can hang on a box nobody sees. Question boxes get
// the chosen answer; other boxes are accepted.
class ModalCloser : public QObject
{
public:
    explicit ModalCloser(QMessageBox::StandardButton answer = QMessageBox::Yes)
        : m_answer(answer)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { closeActive(); });
        m_timer.start();
    }

    // A file dialog gets this name and is accepted; with none it is cancelled.
    QString fileAnswer;

    // Runs when a box is found, before it is answered.
    std::function<void()> onBox;

    QStringList titles;
    QStringList texts;
    int count() const { return titles.size(); }

    // Boxes are shown without holding the program up: lets the event loop
    // run until every box open now has been answered.
    void drain(int ms = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::processEvents();
        while (QApplication::activeModalWidget() && clock.elapsed() < ms)
            QTest::qWait(15);
    }

private:
    void closeActive()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled)
            return;
        m_handled = modal;
        if (onBox)
            onBox();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            titles << box->windowTitle();
            texts << box->text();
            QAbstractButton *button = box->button(m_answer);
            if (!button)
                button = box->button(QMessageBox::Ok);
            if (button)
                button->click();
            else
                box->reject();
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            titles << files->windowTitle();
            texts << files->selectedFiles().value(0);
            if (fileAnswer.isEmpty()) {
                files->reject();
            } else {
                files->selectFile(fileAnswer);
                QMetaObject::invokeMethod(files, "accept");
            }
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            titles << dialog->windowTitle();
            texts << QString();
            dialog->reject();
        } else {
            modal->close();
        }
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    QPointer<QWidget> m_handled;
};

#endif
