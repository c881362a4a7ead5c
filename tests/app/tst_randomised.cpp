// SPDX-License-Identifier: MIT
// Thousands of random actions, as a restless person and the clock would make them, with the
// window's invariants checked after each. ALARM_RANDOM_ACTIONS and ALARM_RANDOM_SEED override the
// count and the seed (scripts/random-actions.sh runs it long).
#include "WindowDriver.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

namespace {

int settingOr(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

bool isRotationOf(const QString &text, const QString &original)
{
    return text.size() == original.size() && (original + original).contains(text);
}

} // namespace

class RandomisedTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void invariantsHoldUnderRandomActions()
    {
        const int actions = settingOr("ALARM_RANDOM_ACTIONS", 5000);
        const quint32 seed = quint32(settingOr("ALARM_RANDOM_SEED", 20261207));
        qInfo("%d actions from seed %u", actions, seed);
        QRandomGenerator random(seed);

        Alarm &w = open(QTime(int(random.bounded(24)), int(random.bounded(60))));
        const QList<QComboBox *> lists{w.Hour, w.Minutes, w.AM};
        const QList<QPushButton *> buttons{w.Alarmon, w.Alarmoff, w.Shutdown, w.Details};
        QList<QWidget *> hoverable{w.Alarmon, w.Alarmoff, w.Shutdown, w.Details, w.Label1,
                                   w.Label2,  w.Label3,   w.Label4,   w.Label5,  w.Label6,
                                   w.Hour,    w.Minutes,  w.AM};
        // The text each scrolling tooltip was last given, of which it must stay a rotation.
        QHash<QWidget *, QString> assigned;
        for (QWidget *control : hoverable)
            assigned[control] = control->toolTip();

        QSet<PlanState> visited;
        for (int step = 0; step < actions; ++step) {
            QString action;
            switch (random.bounded(8)) {
            case 0: {
                QComboBox *list = lists[random.bounded(lists.size())];
                if (list->isEnabled())
                    list->setCurrentIndex(int(random.bounded(list->count())));
                action = "pick " + list->objectName();
                break;
            }
            case 1: {
                QComboBox *list = lists[random.bounded(lists.size())];
                if (list->isEnabled())
                    QTest::keyClick(list, char('q' + random.bounded(5)));
                action = "key on " + list->objectName();
                break;
            }
            case 2: {
                QPushButton *button = buttons[random.bounded(buttons.size())];
                if (button->isEnabled() && button->isVisibleTo(&w)) {
                    button->click();
                    const bool shutdown = button == w.Shutdown;
                    if (button != w.Details) {
                        assigned[w.Alarmoff] =
                            shutdown ? "Click to cancel, shut down plan.   " : "Click to off, alarm.   ";
                        assigned[w.Label5] = assigned[w.Label6] =
                            shutdown ? "Time set for shut down   " : "Time set for alarm   ";
                    }
                }
                action = "click " + button->objectName();
                break;
            }
            case 3:
            case 4: {
                QWidget *control = hoverable[random.bounded(hoverable.size())];
                QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton,
                                 Qt::MouseButtons(random.bounded(8)),
                                 Qt::KeyboardModifiers(random.bounded(8) << 25));
                QApplication::sendEvent(control, &move);
                action = "move over " + control->objectName();
                break;
            }
            case 5:
                // Now and then the clock comes up to the chosen minute, so that the plans fire.
                if (random.bounded(4) == 0 && w.Text1->text().size() == 4)
                    platform.time =
                        QTime::fromString(w.Text1->text(), "HHmm").addSecs(-int(random.bounded(3)));
                else
                    platform.advance(int(random.bounded(1, 90'000)));
                w.Timer3_Timer();
                action = "clock tick";
                break;
            default:
                // The watches and the ringing tick when their timers would.
                for (QTimer *timer : {w.Timer1, w.Timer2, w.Timer4})
                    fire(timer);
                action = "plan tick";
                break;
            }

            const QByteArray where = QStringLiteral("step %1 (%2)").arg(step).arg(action).toUtf8();
            QVERIFY2(w.Alarmon->isVisibleTo(&w) != w.Alarmoff->isVisibleTo(&w), where);
            QVERIFY2(int(w.Timer1->isActive()) + w.Timer2->isActive() + w.Timer4->isActive() <= 1, where);
            QVERIFY2(w.Timer3->isActive(), where);
            const bool idle = w.planState() == PlanState::Idle;
            for (QWidget *control : {(QWidget *)w.Hour, (QWidget *)w.Minutes, (QWidget *)w.AM,
                                     (QWidget *)w.Label1, (QWidget *)w.Label2, (QWidget *)w.Label3})
                QVERIFY2(control->isEnabled() == idle, where);
            const QString hour = w.Hour->currentText();
            const QString target = w.AM->currentText() == "PM" ? QString::number(hour.toInt() + 12) : hour;
            QVERIFY2(w.Text1->text() == target + w.Minutes->currentText(), where);
            for (QWidget *control : hoverable)
                QVERIFY2(isRotationOf(control->toolTip(), assigned[control]),
                         where + control->objectName().toUtf8());
            QVERIFY2(platform.liveVoices == 0, where);
            // A warning of the shut-down is up only while that plan is armed, the ringing notice and
            // the window's mark only while the alarm rings, and neither twice.
            int warnings = 0, ringing = 0;
            for (const Notice &notice : platform.openNotices())
                (notice.actionLabel == "OFF" ? ringing : warnings) += notice.critical;
            QVERIFY2(warnings <= (w.planState() == PlanState::ShutdownArmed ? 1 : 0), where);
            QVERIFY2(ringing == (w.planState() == PlanState::Ringing ? 1 : 0), where);
            QVERIFY2(platform.urgent == (w.planState() == PlanState::Ringing), where);
            // Idle sleep is held off while any plan is armed or ringing; only the armed alarm wakes.
            QVERIFY2(platform.idleSleepHeldFor.isEmpty() == idle, where);
            QVERIFY2(platform.wakesFromSleep() == (w.planState() == PlanState::AlarmArmed), where);
            visited.insert(w.planState());
        }
        // The walk is only worth its invariants if it reaches every state and both plans fire.
        if (actions >= 2000) {
            QCOMPARE(visited.size(), 4);
            QVERIFY(!platform.callsStartingWith("speak:Now").isEmpty());
            QVERIFY(!platform.callsStartingWith("start:").isEmpty());
            QVERIFY(!platform.notices.isEmpty());
        }
        qInfo("%lld calls to the platform", qlonglong(platform.calls.size()));
    }
};

QTEST_MAIN(RandomisedTest)
#include "tst_randomised.moc"
