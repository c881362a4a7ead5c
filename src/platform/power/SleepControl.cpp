// SPDX-License-Identifier: MIT
#include "SleepControl.h"

#include "FileNames.h"
#include "Platform.h"

namespace {

QString helperBesideProgram()
{
    try {
        return runningProgramDirectory() + QStringLiteral("/alarm-wake");
    } catch (const PlatformError &) {
        return {};
    }
}

} // namespace

SleepControl::SleepControl(ErrorSink tellError)
    : m_session(BusLink::sessionBusAddress(), QStringLiteral("alarm-sleep")),
      m_system(BusLink::systemBusAddress(), QStringLiteral("alarm-system")),
      m_idle(m_session, m_system, tellError), m_wake(m_session, helperBesideProgram(), tellError),
      m_watch(m_system, m_wake, tellError)
{}
