#pragma once

#include <QIcon>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

#include "traystate.h"

class QAbstractButton;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The icon in the desktop's tray: its colour says the line's state, its tool
// tip the figures, and its menu repeats the main window's buttons, each
// enabled exactly when its button is.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // `buttons` in the menu's order; a null entry is a separator. The entry
    // "Afficher la fenêtre" comes before the last button.
    explicit TrayIcon(const QList<QAbstractButton *> &buttons, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a tray at all; without one no icon is made.
    static bool available();
    static QIcon icon(LineLight light);

    void show();
    bool isVisible() const;
    void setLight(LineLight light, const QString &toolTip);
    LineLight light() const { return m_light; }
    QString toolTip() const;
    // False when the tray cannot show a message.
    bool showMessage(const QString &title, const QString &text);

    QMenu *menu() const { return m_menu; }
    QAction *actionFor(const QAbstractButton *button) const { return m_actions.value(reinterpret_cast<const QObject *>(button)); }
    QAction *showWindowAction() const { return m_showWindow; }

signals:
    void showWindowAsked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSystemTrayIcon *m_tray;
    QMenu *m_menu;
    QAction *m_showWindow;
    QMap<const QObject *, QAction *> m_actions; // by button
    QList<QPointer<QAbstractButton>> m_buttons; // the window may go first
    LineLight m_light = LineLight::Off;
};
