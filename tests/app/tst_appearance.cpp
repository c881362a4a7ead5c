// SPDX-License-Identifier: MIT
// What the window looks like in each plan state, read from its pixels, and what it tells screen
// readers. Fonts differ between machines, so no test compares whole pictures: each looks at the
// few pixels that tell one thing.
#include "DataRow.h"
#include "WindowDriver.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// The darkest grey in a rectangle of the picture: the colour of any text drawn there.
int darkest(const QImage &image, const QRect &rect)
{
    int grey = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            grey = std::min(grey, qGray(image.pixel(x, y)));
    return grey;
}

// How wide the text inside a button is, from its leftmost to its rightmost inked column.
int inkWidth(const QImage &image, const QRect &button)
{
    const QRect inside = button.adjusted(3, 3, -3, -3);
    int left = inside.right() + 1, right = inside.left() - 1;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        if (darkest(image, QRect(x, inside.top(), 1, inside.height())) < 215) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    return right - left + 1;
}

} // namespace

class AppearanceTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void eachStateLooksItsPart_data()
    {
        columns<QString>({"steps", "button"});
        columns<bool>({"buttonEnabled", "entryEnabled"});
        row("at start", "", "ON", false, true);
        row("picked", "pick", "ON", true, true);
        row("alarm armed", "pick on", "OFF", true, false);
        row("ringing", "pick on ring", "OFF", true, false);
        row("shut-down armed", "pick shutdown", "OFF", true, false);
        row("after OFF", "pick shutdown off", "ON", true, true);
    }
    void eachStateLooksItsPart()
    {
        QFETCH(QString, steps);
        QFETCH(QString, button);
        QFETCH(bool, buttonEnabled);
        QFETCH(bool, entryEnabled);

        open(QTime(19, 0));
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "pick") {
                pickTarget(QTime(19, 30));
            } else if (step == "on") {
                window->Alarmon->click();
            } else if (step == "shutdown") {
                window->Shutdown->click();
            } else if (step == "off") {
                window->Alarmoff->click();
            } else if (step == "ring") {
                platform.setTime(19, 30);
                window->Timer3_Timer();
                window->Timer1_Timer();
                QCOMPARE(window->planState(), PlanState::Ringing);
            }
        }
        const QImage image = window->grab().toImage();
        const int disabledGrey = qGray(window->palette().color(QPalette::Disabled, QPalette::Text).rgb());
        QVERIFY(disabledGrey > 100);

        // Black while the time can be picked; the style's own grey while a plan holds it.
        auto textGrey = [&](bool enabled) { return enabled ? 0 : disabledGrey; };
        for (QLabel *caption : {window->Label1, window->Label2, window->Label3}) {
            // A caption's lowest row lies under its list.
            const int grey = darkest(image, caption->geometry().adjusted(0, 0, 0, -1));
            QVERIFY2(qAbs(grey - textGrey(entryEnabled)) <= 8, qPrintable(caption->text()));
        }
        for (QComboBox *list : {window->Hour, window->Minutes, window->AM}) {
            if (list->currentText().isEmpty())
                continue;
            // The chosen entry sits in the left half; the arrow has a colour of its own.
            const QRect box = list->geometry();
            const int grey =
                darkest(image, QRect(box.left() + 3, box.top() + 3, box.width() / 2, box.height() - 6));
            QVERIFY2(qAbs(grey - textGrey(entryEnabled)) <= 8, qPrintable(list->objectName()));
        }

        // "Hour" and "Minutes" reach into the top row of their lists, and the lists' borders
        // are drawn over them there: no pixel of the border shows the captions' background.
        const int background = qGray(window->palette().color(QPalette::Window).rgb());
        for (QComboBox *list : {window->Hour, window->Minutes}) {
            const QRect box = list->geometry();
            QCOMPARE(box.top(), 24);
            // The corners are rounded.
            for (int x = box.left() + 3; x <= box.right() - 3; ++x)
                QVERIFY2(qGray(image.pixel(x, box.top())) < background - 20, qPrintable(list->objectName()));
        }

        // ON and OFF share one place: it shows the caption of the one that is visible, black when
        // it can be pressed and grey when not. The two captions differ in width.
        const QRect place = window->Alarmon->geometry();
        const QFontMetrics metrics(window->Alarmon->font());
        const int ink = inkWidth(image, place);
        const int shown = metrics.tightBoundingRect(button).width();
        const int other = metrics.tightBoundingRect(button == "ON" ? "OFF" : "ON").width();
        QVERIFY2(qAbs(ink - shown) < qAbs(ink - other), qPrintable(QString::number(ink)));
        QVERIFY(qAbs(darkest(image, place.adjusted(3, 3, -3, -3)) - textGrey(buttonEnabled)) <= 8);
    }

    // Screen readers meet the controls in the order in which the window creates them, whatever
    // their stacking, and never the hidden fields, which hold state only.
    void screenReadersMeetTheControlsInCreationOrder()
    {
        open();
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(window.get());
        QStringList names;
        for (int i = 0; i < accessible->childCount(); ++i) {
            QAccessibleInterface *child = accessible->child(i);
            QCOMPARE(accessible->indexOfChild(child), i);
            QCOMPARE(child->parent(), accessible);
            names << child->object()->objectName();
        }
        QCOMPARE(names, QStringList({"Details", "Shutdown", "AM", "Minutes", "Hour", "Alarmon", "Alarmoff",
                                     "Label6", "Label5", "Label4", "Label3", "Label1", "Label2"}));
        for (QWidget *hidden : {static_cast<QWidget *>(window->Text1), static_cast<QWidget *>(window->Text2)})
            QCOMPARE(accessible->indexOfChild(QAccessible::queryAccessibleInterface(hidden)), -1);
    }
};

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
