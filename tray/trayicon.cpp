#include "trayicon.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

namespace {
QColor colourOf(LineLight light)
{
    switch (light) {
    case LineLight::Good:
        return QColor(0x2e, 0x9e, 0x3e);
    case LineLight::Warning:
        return QColor(0xf0, 0x8c, 0x00);
    case LineLight::Bad:
        return QColor(0xd6, 0x28, 0x28);
    case LineLight::Off:
        break;
    }
    return QColor(0x8a, 0x8a, 0x8a);
}

// The program's trace (a margin with one drop) on a disc of the state's
// colour, drawn on a 64-pixel grid and scaled.
QPixmap drawn(LineLight light, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(colourOf(light).darker(160), 3));
    painter.setBrush(colourOf(light));
    painter.drawEllipse(QRectF(3, 3, 58, 58));
    QPainterPath trace;
    trace.moveTo(12, 28);
    for (const QPointF &p : {QPointF(19, 25), QPointF(25, 29), QPointF(30, 26), QPointF(34, 46), QPointF(38, 31),
                             QPointF(45, 28), QPointF(52, 30)})
        trace.lineTo(p);
    painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(trace);
    return pixmap;
}
}

TrayIcon::TrayIcon(const QList<QAbstractButton *> &buttons, QObject *parent)
    : QObject(parent)
    , m_tray(new QSystemTrayIcon(this))
    , m_menu(new QMenu)
    , m_showWindow(new QAction(QStringLiteral("Afficher la fenêtre"), this))
{
    connect(m_showWindow, &QAction::triggered, this, &TrayIcon::showWindowAsked);
    for (int i = 0; i < buttons.size(); ++i) {
        QAbstractButton *button = buttons.at(i);
        if (i == buttons.size() - 1) {
            m_menu->addSeparator();
            m_menu->addAction(m_showWindow);
        }
        if (!button) {
            m_menu->addSeparator();
            continue;
        }
        QAction *action = m_menu->addAction(button->text());
        action->setObjectName(button->objectName());
        action->setEnabled(button->isEnabled());
        connect(action, &QAction::triggered, button, &QAbstractButton::click);
        // The button's own state is the truth: follow its every change.
        button->installEventFilter(this);
        m_actions.insert(button, action);
        m_buttons << button;
    }
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit showWindowAsked();
    });
    setLight(LineLight::Off, QStringLiteral("Quelvane : ") + lineLightText(LineLight::Off));
}

TrayIcon::~TrayIcon()
{
    for (const QPointer<QAbstractButton> &button : qAsConst(m_buttons)) {
        if (button)
            button->removeEventFilter(this);
    }
    delete m_menu;
}

bool TrayIcon::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayIcon::icon(LineLight light)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawn(light, size));
    return icon;
}

void TrayIcon::show()
{
    m_tray->show();
}

bool TrayIcon::isVisible() const
{
    return m_tray->isVisible();
}

void TrayIcon::setLight(LineLight light, const QString &toolTip)
{
    if (light != m_light || m_tray->icon().isNull())
        m_tray->setIcon(icon(light));
    m_light = light;
    m_tray->setToolTip(toolTip);
}

QString TrayIcon::toolTip() const
{
    return m_tray->toolTip();
}

bool TrayIcon::showMessage(const QString &title, const QString &text)
{
    if (!m_tray->isVisible() || !QSystemTrayIcon::supportsMessages())
        return false;
    m_tray->showMessage(title, text, QSystemTrayIcon::Warning, 10000);
    return true;
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (QAction *action = m_actions.value(watched))
            action->setEnabled(static_cast<QWidget *>(watched)->isEnabled());
    }
    return QObject::eventFilter(watched, event);
}
