// SPDX-License-Identifier: MIT
#include "WindowDriver.h"
#include "hints/RotatedLeft.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class ToolTipsTest : public WindowDriver
{
    Q_OBJECT

private:
    // Time picked, so that ON is enabled and every scrolling control can take a move.
    void freshWindow()
    {
        open();
        pickTarget(QTime(1, 2));
    }

private slots:
    void rotation()
    {
        QCOMPARE(rotatedLeft(""), "");
        QCOMPARE(rotatedLeft("x"), "x");
        QCOMPARE(rotatedLeft("ab"), "ba");
        QCOMPARE(rotatedLeft("Set hour   "), "et hour   S");
    }

    void eachMoveTurnsByOne()
    {
        freshWindow();
        moveOver(window->Label1);
        QCOMPARE(window->Label1->toolTip(), "et hour   S");
        moveOver(window->Label1);
        QCOMPARE(window->Label1->toolTip(), "t hour   Se");
        moveOver(window->Label1, 9);
        QCOMPARE(window->Label1->toolTip(), "Set hour   ");

        moveOver(window->Alarmon);
        QCOMPARE(window->Alarmon->toolTip(), "lick to on, alarm.   C");
    }

    // After as many moves as it has characters, every scrolling tooltip is back where it began.
    void aFullTurnOfEveryScrollingControl()
    {
        freshWindow();
        const QList<QWidget *> scrolling{window->Alarmon, window->Shutdown, window->Details,
                                         window->Label1,  window->Label2,   window->Label3,
                                         window->Label4,  window->Label5,   window->Label6};
        for (QWidget *control : scrolling) {
            const QString start = control->toolTip();
            QVERIFY2(start.endsWith("   ") && !start.endsWith("    "), qPrintable(control->objectName()));
            moveOver(control);
            QVERIFY2(control->toolTip() != start, qPrintable(control->objectName()));
            moveOver(control, int(start.size()) - 1);
            QCOMPARE(control->toolTip(), start);
        }
        window->Alarmon->click();
        moveOver(window->Alarmoff, 3);
        QCOMPARE(window->Alarmoff->toolTip(), "ck to off, alarm.   Cli");
    }

    void heldButtonsAndKeysScrollAlike()
    {
        freshWindow();
        moveOver(window->Details, Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
        moveOver(window->Details, Qt::MiddleButton, Qt::AltModifier);
        QCOMPARE(window->Details->toolTip(), "ick for details...   Cl");
    }

    // The lists never scroll, nor does a control that is disabled or hidden.
    void listsDisabledAndHiddenControlsStayStill()
    {
        open();
        for (QComboBox *list : {window->Hour, window->Minutes, window->AM}) {
            const QString tip = list->toolTip();
            moveOver(list, 3);
            QCOMPARE(list->toolTip(), tip);
        }
        moveOver(window->Alarmon, 2);
        moveOver(window->Shutdown, 2);
        moveOver(window->Alarmoff, 2);
        QCOMPARE(window->Alarmon->toolTip(), "Click to on, alarm.   ");
        QCOMPARE(window->Shutdown->toolTip(), "Click to set, shut down plan.   ");
        QCOMPARE(window->Alarmoff->toolTip(), "Click to off, alarm.   ");

        freshWindow();
        window->Alarmon->click();
        moveOver(window->Label2, 4);
        QCOMPARE(window->Label2->toolTip(), "Set minutes   ");
        window->Alarmoff->click();
        moveOver(window->Label2);
        QCOMPARE(window->Label2->toolTip(), "et minutes   S");
    }

    void armingAndCancellingRestartTheirTips()
    {
        freshWindow();
        moveOver(window->Label5, 3);
        moveOver(window->Label6, 5);
        window->Alarmon->click();
        QCOMPARE(window->Label5->toolTip(), "Time set for alarm   ");
        moveOver(window->Label5);
        QCOMPARE(window->Label5->toolTip(), "ime set for alarm   T");
        moveOver(window->Alarmoff, 2);
        window->Alarmoff->click();
        window->Shutdown->click();
        QCOMPARE(window->Alarmoff->toolTip(), "Click to cancel, shut down plan.   ");
        QCOMPARE(window->Label6->toolTip(), "Time set for shut down   ");
        moveOver(window->Alarmoff, 2);
        window->Alarmoff->click();
        QCOMPARE(window->Alarmoff->toolTip(), "Click to off, alarm.   ");
        QCOMPARE(window->Label5->toolTip(), "Time set for alarm   ");
    }

    // Leaving a control keeps its place: the first move on return is the next step.
    void leavingKeepsThePlace()
    {
        freshWindow();
        moveOver(window->Details, 3);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(window->Details, &leave);
        moveOver(window->Label1);
        moveOver(window->Details);
        QCOMPARE(window->Details->toolTip(), "k for details...   Clic");
    }

    void shortTipsStayAsTheyAre()
    {
        freshWindow();
        window->Label4->setToolTip("");
        window->Label3->setToolTip("x");
        moveOver(window->Label4, 2);
        moveOver(window->Label3, 2);
        QCOMPARE(window->Label4->toolTip(), "");
        QCOMPARE(window->Label3->toolTip(), "x");
    }
};

QTEST_MAIN(ToolTipsTest)
#include "tst_tooltips.moc"
