// SPDX-License-Identifier: MIT
#include "RotatedLeft.h"

#include "app/Alarm.h"

#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>

// The scroll position lives in the tooltip text itself; each mouse move turns it by one, and the
// three blanks at its end become the gap as it wraps around.
void Alarm::ScrollToolTip(QWidget *control)
{
    const QString text = control->toolTip();
    if (text.isEmpty())
        return;
    const QString turned = rotatedLeft(text);
    control->setToolTip(turned);
    // Keep a hint that is on screen moving with the pointer, not only the next time it pops up.
    if (QToolTip::isVisible() && control->underMouse())
        QToolTip::showText(QCursor::pos(), turned, control);
}

void Alarm::Alarmon_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Alarmon);
} catch (...) {
}

void Alarm::Alarmoff_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Alarmoff);
} catch (...) {
}

void Alarm::Shutdown_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Shutdown);
} catch (...) {
}

void Alarm::Details_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Details);
} catch (...) {
}

void Alarm::Label1_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label1);
} catch (...) {
}

void Alarm::Label2_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label2);
} catch (...) {
}

void Alarm::Label3_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label3);
} catch (...) {
}

void Alarm::Label4_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label4);
} catch (...) {
}

void Alarm::Label5_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label5);
} catch (...) {
}

void Alarm::Label6_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
try {
    ScrollToolTip(Label6);
} catch (...) {
}
