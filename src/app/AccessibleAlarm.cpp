// SPDX-License-Identifier: MIT
#include "AccessibleAlarm.h"

#include "ControlTable.h"
#include "HiddenTextField.h"
#include "Texts.h"

#include <algorithm>

namespace {

// The place of a control in the design table, which is the order of creation.
qsizetype creationIndex(const QObject *control)
{
    const QString name = control->objectName();
    const auto found = std::find_if(design::kControls.begin(), design::kControls.end(),
                                    [&](const design::Control &d) { return name == text::qs(d.name); });
    return found - design::kControls.begin();
}

QAccessibleInterface *createForAlarm(const QString &className, QObject *object)
{
    if (className == QLatin1String("Alarm") && object && object->isWidgetType())
        return new AccessibleAlarm(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

AccessibleAlarm::AccessibleAlarm(QWidget *window) : QAccessibleWidget(window) {}

void AccessibleAlarm::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(createForAlarm);
        return true;
    }();
    Q_UNUSED(installed);
}

// Qt lists a window's children in stacking order, and raising a control would move it for the
// reader as well; the creation order stays put.
QList<QAccessibleInterface *> AccessibleAlarm::shownControls() const
{
    QList<QAccessibleInterface *> controls;
    for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
        QAccessibleInterface *control = QAccessibleWidget::child(i);
        if (control && !qobject_cast<HiddenTextField *>(control->object()))
            controls << control;
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](auto a, auto b) { return creationIndex(a->object()) < creationIndex(b->object()); });
    return controls;
}

int AccessibleAlarm::childCount() const
{
    return int(shownControls().size());
}

QAccessibleInterface *AccessibleAlarm::child(int index) const
{
    return shownControls().value(index);
}

int AccessibleAlarm::indexOfChild(const QAccessibleInterface *child) const
{
    const QList<QAccessibleInterface *> controls = shownControls();
    const auto found = std::find(controls.begin(), controls.end(), child);
    return found == controls.end() ? -1 : int(found - controls.begin());
}
