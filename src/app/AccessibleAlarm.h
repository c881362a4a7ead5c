// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

// The window as screen readers meet it: its controls in the order in which the window creates
// them, whatever their stacking, and without the hidden fields, which hold state and are never
// shown.
class AccessibleAlarm : public QAccessibleWidget
{
public:
    explicit AccessibleAlarm(QWidget *window);

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

    // Makes Qt hand out this interface for every Alarm window; later calls do nothing.
    static void install();
    // Tells a screen reader each control's tooltip as it was written, not as it has turned while
    // the pointer moved over it: the description changes only when the text itself does.
    static void describeAsWritten(QWidget &window);

private:
    QList<QAccessibleInterface *> shownControls() const;
};
