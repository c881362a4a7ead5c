// SPDX-License-Identifier: MIT
#include "ShutdownScript.h"

#include "Platform.h"
#include "app/Alarm.h"
#include "app/HhmmText.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// Watches for the target minute every 100 ms and never stops itself: for as long as the minute
// lasts and the machine runs, every tick writes the script again and starts another attempt.
void Alarm::Timer2_Timer()
try {
    Timer1->stop();
    Timer4->stop();
    enableTimeEntry(false);
    Shutdown->setEnabled(false);
    Alarmon->hide();
    Alarmoff->show();

    // Powering off late could take someone's work by surprise, so a skipped minute is only told.
    const std::optional<SkippedMinute> skipped = m_clockFollower.follow(Text1->text(), Text2->text());
    if (!sameMinute(Text1->text(), Text2->text())) {
        if (skipped)
            m_notices.shutdownSkipped(Text1->text(), *skipped);
        else
            m_notices.warnBeforeShutdown(Text1->text(), Text2->text());
        return;
    }

    m_notices.withdrawWarning();
    // Whatever step fails, the user hears of it: a window that stays armed looks like success.
    try {
        QString script = shutdownScriptPath(m_platform.programDirectory());
        try {
            m_platform.writeFile(script, kShutdownScript);
        } catch (const PlatformError &) {
            // An installed program, or one in a folder others could change, keeps no script
            // beside itself; the user's runtime directory takes it.
            script = shutdownScriptPath(m_platform.runtimeDirectory());
            m_platform.writeFile(script, kShutdownScript);
        }
        m_platform.startScript(script);
    } catch (const PlatformError &error) {
        m_notices.shutdownFailed(Text1->text(), QString::fromLocal8Bit(error.what()));
    }
} catch (...) {
}
