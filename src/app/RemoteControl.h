// SPDX-License-Identifier: MIT
#pragma once

#include "AppIdentity.h"
#include "plans/PlanState.h"

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QTime>

class Alarm;

// The running ALARM as the command line and scripts reach it, on the session bus under the
// application id. Every request is carried out by the window's own steps, as a person would: the
// three lists are set to the time and ON or "Shut down" is pressed (OFF first, when a plan is armed
// or ringing), so the controls, tooltips, notices and watches are exactly as after the clicks.
class RemoteControl final : public QObject, protected QDBusContext
{
    Q_OBJECT
    // The interface the signals go out under, too.
    Q_CLASSINFO("D-Bus Interface", ALARM_APP_ID)

public:
    enum class Plan { Alarm, Shutdown };

    explicit RemoteControl(Alarm &window, QObject *parent = nullptr);

    // The state as one word ("idle", "alarm", "ringing", "shutdown") and the target as HH:MM on
    // the 24-hour clock (empty while idle), and as --status prints it ("alarm at 7:30 PM").
    static QString stateWord(PlanState state);
    static QString statusLine(const QString &state, const QString &time);

    // The same steps without the bus, for a run that has none.
    void arm(Plan plan, const QTime &time);

public slots:
    // time: as the command line takes it ("7:30pm", "19:30"); a time that is not one is refused
    // with org.freedesktop.DBus.Error.InvalidArgs and changes nothing.
    Q_SCRIPTABLE void ArmAlarm(const QString &time);
    Q_SCRIPTABLE void ArmShutdown(const QString &time);
    Q_SCRIPTABLE void Cancel();
    // Brings the window forward, as starting ALARM again does.
    Q_SCRIPTABLE void Show();
    // state: "idle", "alarm", "ringing" or "shutdown"; time: the target as HH:MM, or empty when idle.
    Q_SCRIPTABLE void GetState(QString &state, QString &time);

signals:
    Q_SCRIPTABLE void StateChanged(const QString &state, const QString &time);

private:
    void armFromBus(Plan plan, const QString &time);
    void noticeChange();
    QString targetTime() const;

    Alarm &m_window;
    PlanState m_lastState;
};
