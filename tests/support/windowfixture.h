#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTest>

#include <memory>

#include "app/mainwindow.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/windowtest.h"

// How a window test starts, when it is not the usual start; each setter
// gives the options back, so that a test names only what differs:
// `WindowFixture f(WindowStart().simulator({"--ssid", "nuit"}).algoType(1));`
class WindowStart
{
public:
    WindowStart &simulator(const QStringList &arguments)
    {
        simulatorArguments = arguments;
        return *this;
    }
    WindowStart &algoType(int value)
    {
        algo = value;
        return *this;
    }
    WindowStart &password(const QString &value)
    {
        pass = value;
        return *this;
    }
    // With a simulator, appended to the settings that point at it; without
    // one, the whole of livebox.ini (none is written when it is empty).
    WindowStart &ini(const QByteArray &text)
    {
        iniText = text;
        return *this;
    }
    // What the closer answers to questions.
    WindowStart &answer(QMessageBox::StandardButton button)
    {
        closerAnswer = button;
        return *this;
    }
    // The window waits for `start()`, so that what its start-up must find
    // (files, the simulator's values, a hook on the closer, settings that
    // name the folder) is there first.
    WindowStart &later()
    {
        windowNow = false;
        return *this;
    }

private:
    friend class BareWindowFixture;
    friend class WindowFixture;

    QStringList simulatorArguments;
    int algo = 0;
    QString pass = QStringLiteral("secret");
    QByteArray iniText;
    QMessageBox::StandardButton closerAnswer = QMessageBox::Yes;
    bool windowNow = true;
};

// A window in a folder of its own, with a closer for its boxes, and no
// gateway (the simulator's options go unused). The closer is there before the window's first box and outlives
// it; the window goes before the folder it writes into. A start-up that
// does not end fails the test here.
class BareWindowFixture
{
public:
    explicit BareWindowFixture(const WindowStart &start = WindowStart())
        : BareWindowFixture(start, start.iniText)
    {
    }

    ScratchDir dir;
    ModalCloser closer;
    // Reset it to end the program before the test reads what it left.
    std::unique_ptr<MainWindow> window;

    // Makes the window (again, once the last one is gone) and waits for its
    // start-up.
    void start()
    {
        QVERIFY2(!window, "a window is already running in this folder");
        window.reset(new MainWindow);
        QVERIFY2(startedUp(*window), "the window's start-up did not end");
    }

protected:
    BareWindowFixture(const WindowStart &start, const QByteArray &settings)
        : closer(start.closerAnswer)
    {
        if (!settings.isEmpty())
            dir.write(QStringLiteral("livebox.ini"), settings);
        if (start.windowNow)
            this->start();
    }
};

// A base, so that the simulator is there before the folder's settings
// point at it, and stops only once the window is gone.
struct FixtureSimulator
{
    explicit FixtureSimulator(const QStringList &arguments)
        : sim(arguments)
    {
    }
    Simulator sim;
};

// The usual start of a window test: a simulator, a folder whose
// livebox.ini points at it, a closer and the window, started up.
class WindowFixture : public FixtureSimulator, public BareWindowFixture
{
public:
    explicit WindowFixture(const WindowStart &start = WindowStart())
        : FixtureSimulator(start.simulatorArguments)
        , BareWindowFixture(start, settingsFor(sim, start.algo, start.pass) + start.iniText)
    {
    }
};
