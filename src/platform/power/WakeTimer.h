// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class BusLink;
class QDBusPendingCallWatcher;
class QProcess;

// Sets the computer to wake from the sleep it goes into, the best way there is:
//  - a CLOCK_REALTIME_ALARM timer of the program's own, where it may set one (CAP_WAKE_ALARM,
//    which systemd 254 and later grant to local sessions);
//  - Plasma's power manager, which holds such a timer for whoever asks;
//  - alarm-wake beside the program, which has that one capability and holds one timer for as long
//    as its input stays open (for Debian 12's GNOME, which offers no such service).
// One wake-up at a time. A timer of the program's own and alarm-wake's end with the program.
class WakeTimer final : public QObject
{
    Q_OBJECT

public:
    enum Way { OwnTimer, PlasmaPowerManager, Helper };
    using ErrorSink = std::function<void(const QString &line)>;

    // helper: the path of alarm-wake, empty for none.
    WakeTimer(BusLink &session, QString helper, ErrorSink tellError,
              QList<Way> ways = {OwnTimer, PlasmaPowerManager, Helper}, QObject *parent = nullptr);
    ~WakeTimer() override;

    // Sets the wake-up for epochSeconds in place of any other; done(true) once it is set,
    // done(false) when no way could set one, within kDeadlineMs either way.
    void arm(qint64 epochSeconds, std::function<void(bool set)> done);
    void disarm();

    static constexpr int kDeadlineMs = 2000;

private:
    void tryWay(int index);
    void fail(const QString &failure);
    void finish(bool set);
    bool setOwnTimer();
    void askPlasma();
    void plasmaAnswered(int attempt, QDBusPendingCallWatcher *call);
    void clearPlasma(uint cookie);
    void startHelper();
    void helperSaid(QProcess *helper);
    void helperEnded(QProcess *helper);

    BusLink &m_session;
    QString m_helperPath;
    ErrorSink m_tellError;
    QList<Way> m_ways;
    int m_attempt = 0; // one more at each arm and disarm, so that a late answer knows it is late
    qint64 m_at = 0;
    int m_way = 0; // of m_ways, the one tried now
    std::function<void(bool)> m_done;
    QStringList m_failures;
    QTimer m_deadline;
    int m_timer = -1;
    std::optional<uint> m_plasmaCookie;
    QProcess *m_helper = nullptr;
    bool m_helperArmed = false;
};
