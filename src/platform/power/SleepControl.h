// SPDX-License-Identifier: MIT
#pragma once

#include "BusLink.h"
#include "IdleInhibitor.h"
#include "SleepWatch.h"
#include "WakeTimer.h"

#include <QString>

#include <functional>

// What the program holds of the computer's sleep, on the session bus and the system's, each joined
// without waiting on it. Made when the first plan is armed, so that a run that arms none touches
// neither bus for it.
class SleepControl final
{
public:
    using ErrorSink = std::function<void(const QString &line)>;

    explicit SleepControl(ErrorSink tellError);

    IdleInhibitor &idle() { return m_idle; }
    SleepWatch &watch() { return m_watch; }

private:
    // In this order, so that each part goes before what it uses.
    BusLink m_session;
    BusLink m_system;
    IdleInhibitor m_idle;
    WakeTimer m_wake;
    SleepWatch m_watch;
};
