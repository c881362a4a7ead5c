// SPDX-License-Identifier: MIT
#include "app/Alarm.h"
#include "app/Texts.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using text::kOffAlarmTip;
using text::kOffShutdownTip;
using text::kTimeSetAlarmTip;
using text::kTimeSetShutdownTip;
using text::translated;

// Arming copies nothing: the watch reads the target from Text1 at every tick. The tooltips are set
// whole, which also restarts any scrolling they had done.
void Alarm::Alarmon_Click()
try {
    Timer1->start();
    Shutdown->setEnabled(false);
    Timer2->stop();
    Timer4->stop();
    Alarmoff->show();
    Alarmoff->setToolTip(translated(kOffAlarmTip));
    Label5->setToolTip(translated(kTimeSetAlarmTip));
    Label6->setToolTip(translated(kTimeSetAlarmTip));
    enableTimeEntry(false);
    Alarmon->hide();
    m_notices.alarmArmed(Text1->text());
    m_keepAwake.alarmArmed(Text1->text());
} catch (...) {
}

void Alarm::Shutdown_Click()
try {
    Timer2->start();
    Timer1->stop();
    Timer4->stop();
    Alarmon->hide();
    Alarmoff->show();
    Alarmoff->setToolTip(translated(kOffShutdownTip));
    Label5->setToolTip(translated(kTimeSetShutdownTip));
    Label6->setToolTip(translated(kTimeSetShutdownTip));
    enableTimeEntry(false);
    Shutdown->setEnabled(false);
    m_keepAwake.shutdownArmed(Text1->text());
} catch (...) {
}

// The lists and their captions, switched in this order: a plan greys them out while it is armed.
void Alarm::enableTimeEntry(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{Hour, Minutes, AM, Label1, Label2, Label3})
        control->setEnabled(enabled);
}

// Cancelling keeps the chosen time, so the same plan can be armed again at once. The next plan's
// watch starts afresh from the minute it first sees.
void Alarm::Alarmoff_Click()
try {
    Timer1->stop();
    Timer2->stop();
    Timer4->stop();
    enableTimeEntry(true);
    Alarmon->show();
    Shutdown->setEnabled(true);
    Alarmoff->hide();
    Alarmoff->setToolTip(translated(kOffAlarmTip));
    Label5->setToolTip(translated(kTimeSetAlarmTip));
    Label6->setToolTip(translated(kTimeSetAlarmTip));
    m_notices.planEnded();
    m_clockFollower.forget();
    m_keepAwake.planEnded();
} catch (...) {
}
