// SPDX-License-Identifier: MIT
#include "RemoteControl.h"

#include "Alarm.h"
#include "CommandLine.h"
#include "HhmmText.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusError>
#include <QPushButton>
#include <QTimer>

RemoteControl::RemoteControl(Alarm &window, QObject *parent)
    : QObject(parent), m_window(window), m_lastState(window.planState())
{
    // Looked at after every step that can change the plan: a button's handler (connected before
    // this), a watch's tick, and the clock tick, which catches what the notices' actions did.
    for (QPushButton *button : {window.Alarmon, window.Shutdown, window.Alarmoff})
        connect(button, &QPushButton::clicked, this, &RemoteControl::noticeChange);
    for (QTimer *timer : {window.Timer1, window.Timer2, window.Timer3})
        connect(timer, &QTimer::timeout, this, &RemoteControl::noticeChange);
}

QString RemoteControl::stateWord(PlanState state)
{
    switch (state) {
    case PlanState::AlarmArmed:
        return QStringLiteral("alarm");
    case PlanState::Ringing:
        return QStringLiteral("ringing");
    case PlanState::ShutdownArmed:
        return QStringLiteral("shutdown");
    case PlanState::Idle:
        break;
    }
    return QStringLiteral("idle");
}

QString RemoteControl::statusLine(const QString &state, const QString &time)
{
    const QString shown = listTime(QTime::fromString(time, QStringLiteral("HH:mm")));
    if (state == QLatin1String("alarm"))
        return QStringLiteral("alarm at %1").arg(shown);
    if (state == QLatin1String("shutdown"))
        return QStringLiteral("shut-down at %1").arg(shown);
    return state;
}

void RemoteControl::arm(Plan plan, const QTime &time)
{
    if (m_window.planState() != PlanState::Idle)
        m_window.Alarmoff->click();
    // "00" is twelve o'clock, in the morning with AM and at noon with PM.
    m_window.Hour->setCurrentIndex(time.hour() % 12);
    m_window.Minutes->setCurrentIndex(time.minute());
    m_window.AM->setCurrentIndex(time.hour() < 12 ? 0 : 1);
    (plan == Plan::Alarm ? m_window.Alarmon : m_window.Shutdown)->click();
    noticeChange();
}

void RemoteControl::armFromBus(Plan plan, const QString &time)
{
    const std::optional<QTime> parsed = parseClockTime(time);
    if (!parsed) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("'%1' is not %2").arg(time, QLatin1String(kTimeForms)));
        return;
    }
    arm(plan, *parsed);
}

void RemoteControl::ArmAlarm(const QString &time)
{
    armFromBus(Plan::Alarm, time);
}

void RemoteControl::ArmShutdown(const QString &time)
{
    armFromBus(Plan::Shutdown, time);
}

void RemoteControl::Cancel()
{
    if (m_window.planState() != PlanState::Idle)
        m_window.Alarmoff->click();
    noticeChange();
}

void RemoteControl::Show()
{
    // The window, or the frame ALARM draws around it under Wayland.
    QWidget *topLevel = m_window.window();
    if (!topLevel->isVisible())
        return; // still greeting: the window appears once the box is closed
    topLevel->showNormal();
    topLevel->raise();
    topLevel->activateWindow();
}

void RemoteControl::GetState(QString &state, QString &time)
{
    state = stateWord(m_window.planState());
    time = state == QLatin1String("idle") ? QString() : targetTime();
}

QString RemoteControl::targetTime() const
{
    return hhmmTime(m_window.Text1->text()).toString(QStringLiteral("HH:mm"));
}

void RemoteControl::noticeChange()
{
    const PlanState state = m_window.planState();
    if (state == m_lastState)
        return;
    m_lastState = state;
    emit StateChanged(stateWord(state), state == PlanState::Idle ? QString() : targetTime());
}
