// SPDX-License-Identifier: MIT
#include "ShutdownScript.h"

#include "Platform.h"
#include "app/Alarm.h"

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

    if (timeTextValue(Text1->text()) != timeTextValue(Text2->text()))
        return;

    QString script = shutdownScriptPath(m_platform.programDirectory());
    try {
        m_platform.writeFile(script, kShutdownScript);
    } catch (const PlatformError &) {
        // An installed program cannot write beside itself; the user's runtime directory can.
        script = shutdownScriptPath(m_platform.runtimeDirectory());
        m_platform.writeFile(script, kShutdownScript);
    }
    m_platform.startScript(script);
} catch (...) {
}
