// SPDX-License-Identifier: MIT
#include "app/Alarm.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
const QString kOffAlarmTip = QStringLiteral("Click to off, alarm.   ");
const QString kOffShutdownTip = QStringLiteral("Click to cancel, shut down plan.   ");
const QString kTimeSetAlarmTip = QStringLiteral("Time set for alarm   ");
const QString kTimeSetShutdownTip = QStringLiteral("Time set for shut down   ");
} // namespace

// Arming copies nothing: the watch reads the target from Text1 at every tick. The tooltips are set
// whole, which also restarts any scrolling they had done.
void Alarm::Alarmon_Click()
try {
    Timer1->start();
    Shutdown->setEnabled(false);
    Timer2->stop();
    Timer4->stop();
    Alarmoff->show();
    Alarmoff->setToolTip(kOffAlarmTip);
    Label5->setToolTip(kTimeSetAlarmTip);
    Label6->setToolTip(kTimeSetAlarmTip);
    Hour->setEnabled(false);
    Minutes->setEnabled(false);
    AM->setEnabled(false);
    Label1->setEnabled(false);
    Label2->setEnabled(false);
    Label3->setEnabled(false);
    Alarmon->hide();
} catch (...) {
}

void Alarm::Shutdown_Click()
try {
    Timer2->start();
    Timer1->stop();
    Timer4->stop();
    Alarmon->hide();
    Alarmoff->show();
    Alarmoff->setToolTip(kOffShutdownTip);
    Label5->setToolTip(kTimeSetShutdownTip);
    Label6->setToolTip(kTimeSetShutdownTip);
    Hour->setEnabled(false);
    Minutes->setEnabled(false);
    AM->setEnabled(false);
    Label1->setEnabled(false);
    Label2->setEnabled(false);
    Label3->setEnabled(false);
    Shutdown->setEnabled(false);
} catch (...) {
}

// Cancelling keeps the chosen time, so the same plan can be armed again at once.
void Alarm::Alarmoff_Click()
try {
    Timer1->stop();
    Timer2->stop();
    Timer4->stop();
    Hour->setEnabled(true);
    Minutes->setEnabled(true);
    AM->setEnabled(true);
    Label1->setEnabled(true);
    Label2->setEnabled(true);
    Label3->setEnabled(true);
    Alarmon->show();
    Shutdown->setEnabled(true);
    Alarmoff->hide();
    Alarmoff->setToolTip(kOffAlarmTip);
    Label5->setToolTip(kTimeSetAlarmTip);
    Label6->setToolTip(kTimeSetAlarmTip);
} catch (...) {
}
