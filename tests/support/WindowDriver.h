// SPDX-License-Identifier: MIT
#pragma once

#include "FakePlatform.h"
#include "app/Alarm.h"

#include <QTime>

#include <memory>
#include <optional>

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

// A window on a fake platform, driven as its clock and a person would. Every window test derives
// from it and starts its windows here; a class that arms one plan for one target throughout names
// them once, for armAt().
class WindowDriver : public QObject
{
    Q_OBJECT

public:
    using PlanButton = QPushButton *Alarm::*;

    WindowDriver() = default;
    WindowDriver(QTime target, PlanButton plan) : m_target(target), m_plan(plan) {}

    FakePlatform platform;
    std::unique_ptr<Alarm> window;

    // A fresh window on the platform as the test has set it up, the clock at `clock` when given.
    Alarm &open(std::optional<QTime> clock = {});
    // Picks the target in the three lists.
    void pickTarget(QTime target);
    // A fresh window with the target picked and one clock tick at `clock`, then the plan pressed.
    void arm(PlanButton plan, QTime target, QTime clock);
    // The same for the class's own target and plan, on a fresh platform.
    void armAt(QTime clock);
    // One clock tick, then up to `watchTicks` ticks of the running watch, for as long as it runs.
    void tick(int watchTicks = 1);
    // The same with the clock set to `time` first.
    void tickAt(QTime time, int watchTicks = 1);
    // The window goes first, since it may withdraw its notices as it goes; then a fresh platform.
    void reset();

private slots:
    // Every test function starts from a fresh platform and no window.
    void cleanup() { reset(); }

private:
    QTime m_target;
    PlanButton m_plan = nullptr;
};
