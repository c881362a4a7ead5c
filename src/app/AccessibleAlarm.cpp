// SPDX-License-Identifier: MIT
#include "AccessibleAlarm.h"

#include "ControlTable.h"
#include "HiddenTextField.h"
#include "Texts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

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

bool isTurnOf(const QString &turned, const QString &text)
{
    return turned.size() == text.size() && (text + text).contains(turned);
}

// Follows the tooltips: a text turned by a mouse move is the same text to a listener.
class DescriptionKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ToolTipChange) {
            auto *control = static_cast<QWidget *>(watched);
            if (!isTurnOf(control->toolTip(), control->accessibleDescription()))
                control->setAccessibleDescription(control->toolTip());
        }
        return false;
    }
};

// One of the window's lists as a screen reader meets it: named by its caption whatever is picked
// (Qt names a list by its entry on Linux), with the picked entry as its text, and its popup list
// as its one child, to be opened and closed by its actions.
class AccessibleList : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit AccessibleList(QComboBox *list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? list()->currentText() : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }

    // The picked entry as read-only text.
    QString text(int start, int end) const override { return list()->currentText().mid(start, end - start); }
    int characterCount() const override { return int(list()->currentText().size()); }
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QComboBox *list() const { return static_cast<QComboBox *>(object()); }
};

QAccessibleInterface *createForAlarm(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("Alarm"))
        return new AccessibleAlarm(static_cast<QWidget *>(object));
    if (className == QLatin1String("QComboBox") && object->parent() && object->parent()->inherits("Alarm"))
        return new AccessibleList(static_cast<QComboBox *>(object));
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

void AccessibleAlarm::describeAsWritten(QWidget &window)
{
    auto *keeper = new DescriptionKeeper(&window);
    for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        control->setAccessibleDescription(control->toolTip());
        control->installEventFilter(keeper);
    }
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
