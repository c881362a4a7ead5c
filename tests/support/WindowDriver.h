// SPDX-License-Identifier: MIT
#pragma once

#include "FakePlatform.h"
#include "app/Alarm.h"

#include <QTime>

#include <memory>

class QComboBox;
class QPushButton;
class QTimer;
class QWidget;

// Fires a timer as the end of its interval would: only while it runs.
void fire(QTimer *timer);
// Selects the entry with this text; an empty text leaves the list as it is.
void pick(QComboBox *list, const QString &entry);
// One mouse move over the middle of a control, with these buttons and keys held.
void moveOver(QWidget *control, Qt::MouseButtons buttons = Qt::NoButton,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void moveOver(QWidget *control, int times);

// A window on a fake platform, driven as its clock and a person would: a test class derives from it
// to arm one plan for one target time.
class WindowDriver
{
public:
    using PlanButton = QPushButton *Alarm::*;

    WindowDriver(QTime target, PlanButton plan) : m_target(target), m_plan(plan) {}

    FakePlatform platform;
    std::unique_ptr<Alarm> window;

    // A fresh window with the target picked and one clock tick at `clock`, then the plan pressed.
    void armAt(QTime clock);
    // One clock tick, then up to `watchTicks` ticks of the running watch, for as long as it runs.
    void tick(int watchTicks = 1);

private:
    QTime m_target;
    PlanButton m_plan;
};
