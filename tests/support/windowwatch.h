#pragma once

#include <QApplication>
#include <QEvent>
#include <QStringList>
#include <QWidget>

// Each window shown, and each dialog or main window sent an event (making
// one sends it some: its title, its flags), while it watches.
class WindowWatch : public QObject
{
public:
    WindowWatch() { qApp->installEventFilter(this); }
    ~WindowWatch() override { qApp->removeEventFilter(this); }
    QStringList seen;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        const auto *widget = qobject_cast<QWidget *>(object);
        if (widget && ((event->type() == QEvent::Show && widget->isWindow()) || object->inherits("QDialog")
                       || object->inherits("QMainWindow"))) {
            const QString name = QString::fromLatin1(object->metaObject()->className());
            if (!seen.contains(name))
                seen << name;
        }
        return false;
    }
};
