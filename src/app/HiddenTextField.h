// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

// A text field that is never shown: the handlers share the target and the current time through
// two of them. It only holds its text; having no cursor, editing or input method, it tells
// assistive technology nothing when its text changes, and the window leaves it out of what it
// shows to screen readers.
class HiddenTextField : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

private:
    QString m_text;
};
