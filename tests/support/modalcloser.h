#pragma once

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

    // While false, boxes are left alone (a ModalHolder may be keeping them).
    bool enabled = true;

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
        if (!enabled)
            return;
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

// Leaves every box and dialog open, as a user gone for a while would, and
// notes each as it appears; `answerAll` answers them when the test says so.
class ModalHolder : public QObject
{
public:
    ModalHolder()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { note(); });
        m_timer.start();
    }

    QStringList titles;
    QStringList texts;

    void answerAll()
    {
        note();
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->reject();
            } else if (auto *dialog = qobject_cast<QDialog *>(widget)) {
                if (dialog->isModal() || qobject_cast<QFileDialog *>(dialog))
                    dialog->reject();
            }
        }
    }

private:
    void note()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || m_seen.contains(widget))
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                m_seen << box;
                titles << box->windowTitle();
                texts << box->text();
            } else if (auto *files = qobject_cast<QFileDialog *>(widget)) {
                m_seen << files;
                titles << files->windowTitle();
                texts << QString();
            }
        }
    }

    QTimer m_timer;
    QList<QPointer<QWidget>> m_seen;
};
