// SPDX-License-Identifier: MIT
#pragma once

#include "plans/ClockFollower.h"
#include "plans/PlanNotices.h"
#include "plans/PlanState.h"

#include <QHash>
#include <QWidget>

class Platform;
class QIcon;
class QComboBox;
class QLabel;
class QLineEdit;
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

    // The controls, under the names the rest of the program uses for them.
    QPushButton *Details;
    QPushButton *Shutdown;
    QPushButton *Alarmon;
    QPushButton *Alarmoff;
    QComboBox *Hour;
    QComboBox *Minutes;
    QComboBox *AM;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QTimer *Timer1;
    QTimer *Timer2;
    QTimer *Timer3;
    QTimer *Timer4;

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
    void Hour_KeyPress(QChar &KeyAscii);
    void Minutes_KeyPress(QChar &KeyAscii);
    void AM_KeyPress(QChar &KeyAscii);

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
    void connectEvents();
    void greet(const QString &phraseBeforeTime);
    void recomputeTarget();
    void advanceSelection(QComboBox *list, int wrapIndex);
    void enableTimeEntry(bool enabled);
    void ScrollToolTip(QWidget *control);

    Platform &m_platform;
    // What the watches keep beyond the controls: the minute they last saw, to notice one the clock
    // skipped, and the notices they have posted.
    ClockFollower m_clockFollower;
    PlanNotices m_notices;
    bool m_loaded = false;
    QHash<QObject *, KeyPressHandler> m_keyPressHandlers;
    QHash<QObject *, MouseMoveHandler> m_mouseMoveHandlers;
};
