// SPDX-License-Identifier: MIT
#include "WindowDriver.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

void fire(QTimer *timer)
{
    if (timer->isActive())
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

void pick(QComboBox *list, const QString &entry)
{
    if (!entry.isEmpty())
        list->setCurrentIndex(list->findText(entry));
}

void moveOver(QWidget *control, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    const QPointF at(control->width() / 2.0, control->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, control->mapToGlobal(at), Qt::NoButton, buttons, modifiers);
    QApplication::sendEvent(control, &move);
}

void moveOver(QWidget *control, int times)
{
    for (int i = 0; i < times; ++i)
        moveOver(control);
}

Alarm &WindowDriver::open(std::optional<QTime> clock)
{
    if (clock)
        platform.time = *clock;
    window.reset();
    window = std::make_unique<Alarm>(platform);
    return *window;
}

void WindowDriver::pickTarget(QTime target)
{
    window->Hour->setCurrentIndex(target.hour() % 12);
    window->Minutes->setCurrentIndex(target.minute());
    window->AM->setCurrentIndex(target.hour() < 12 ? 0 : 1);
}

void WindowDriver::arm(PlanButton plan, QTime target, QTime clock)
{
    open(clock);
    pickTarget(target);
    window->Timer3_Timer();
    (window.get()->*plan)->click();
}

void WindowDriver::armAt(QTime clock)
{
    reset();
    arm(m_plan, m_target, clock);
}

void WindowDriver::tick(int watchTicks)
{
    window->Timer3_Timer();
    for (int i = 0; i < watchTicks; ++i) {
        QTimer *watch = window->Timer1->isActive() ? window->Timer1 : window->Timer2;
        if (!watch->isActive())
            break;
        fire(watch);
    }
}

void WindowDriver::tickAt(QTime time, int watchTicks)
{
    platform.time = time;
    tick(watchTicks);
}

void WindowDriver::reset()
{
    window.reset();
    platform = FakePlatform();
}
