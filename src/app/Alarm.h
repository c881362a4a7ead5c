// SPDX-License-Identifier: MIT
#pragma once

#include "HiddenTextField.h"
#include "plans/ClockFollower.h"
#include "plans/KeepAwake.h"
#include "plans/PlanNotices.h"
#include "plans/PlanState.h"

#include <QHash>
#include <QWidget>

class Platform;
class QIcon;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

// An alarm clock, drawn at 16 and 32 pixels.
QIcon applicationIcon();

// The one window of the program. Its controls hold all of its state: which plan is armed is read
// from the running timers, the target and current times live in the hidden fields Text1 and Text2.
// Handlers are named after their control and event; each ends quietly when a step fails.
class Alarm : public QWidget
{
    Q_OBJECT

public:
    explicit Alarm(Platform &platform, QWidget *parent = nullptr);

    // The controls, under the names the rest of the program uses for them, in creation order.
    QPushButton *Details;   // "?": shows the time in a box, then speaks it
    QPushButton *Shutdown;  // "Shut down": arms the shut-down at the chosen time
    QPushButton *Alarmon;   // ON: arms the alarm; hidden while a plan is armed or ringing
    QPushButton *Alarmoff;  // OFF, in ON's place: cancels whichever plan is armed or ringing
    QComboBox *Hour;        // "00" to "11"; "00" is twelve o'clock
    QComboBox *Minutes;     // "00" to "59"
    QComboBox *AM;          // "AM" or "PM"
    HiddenTextField *Text1; // the target time as HHMM, written by the lists
    HiddenTextField *Text2; // the current time as HHMM, written by the clock tick
    QLabel *Label1;         // "Hour", the caption that names its list
    QLabel *Label2;         // "Minutes", the caption that names its list
    QLabel *Label3;         // "AM / PM", the caption that names its list
    QLabel *Label4;         // "Velmora", blinking with the time; a click shows the credits
    QLabel *Label5;         // "Time set :", in front of Label6
    QLabel *Label6;         // the chosen time, "07 : 30 : PM", rewritten every second
    QTimer *Timer1;         // the alarm watch, every 100 ms while the alarm is armed
    QTimer *Timer2;         // the shut-down watch, every 100 ms while the shut-down is armed
    QTimer *Timer3;         // the clock tick, every second for the whole run
    QTimer *Timer4;         // the ringing, every 2 s from the target time until OFF

    PlanState planState() const;

    // Greeting and credits (app/Greeting.cpp).
    void Form_Load();
    void Details_Click();
    void Label4_Click();

    // Clock tick (app/ClockTick.cpp).
    void Timer3_Timer();

    // Target time (timeentry/).
    void Hour_Click();
    void Minutes_Click();
    void AM_Click();
    void Hour_KeyPress(QChar &character);
    void Minutes_KeyPress(QChar &character);
    void AM_KeyPress(QChar &character);

    // Plans (plans/).
    void Alarmon_Click();
    void Shutdown_Click();
    void Alarmoff_Click();
    void Timer1_Timer();
    void Timer4_Timer();
    void Timer2_Timer();

    // Scrolling tooltips (hints/).
    void Alarmon_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Alarmoff_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Shutdown_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Details_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label1_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label2_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label3_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label4_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label5_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void Label6_MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);

    // The window loads (greets) just before it is first shown, then appears centred.
    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using KeyPressHandler = void (Alarm::*)(QChar &);
    using MouseMoveHandler = void (Alarm::*)(Qt::MouseButtons, Qt::KeyboardModifiers, int, int);

    void createControls();
    QHash<QString, QWidget *> controlsByName() const;
    void applyDesignTable();
    void applyLook(QWidget *control, const QString &caption);
    void fillLists();
    void chainFocus();
    void setUpTimers();
    void connectEvents();
    void greet(const char *phrase);
    void recomputeTarget();
    void advanceSelection(QComboBox *list, int wrapIndex);
    void enableTimeEntry(bool enabled);
    void ScrollToolTip(QWidget *control);

    Platform &m_platform;
    // What the plans keep beyond the controls: the minute the watches last saw, to notice one the
    // clock skipped, the notices they have posted, and what they hold of the computer's sleep.
    ClockFollower m_clockFollower;
    PlanNotices m_notices;
    KeepAwake m_keepAwake;
    bool m_loaded = false;
    QHash<QObject *, KeyPressHandler> m_keyPressHandlers;
    QHash<QObject *, MouseMoveHandler> m_mouseMoveHandlers;
};
