// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// Lets each line through once. A warning that a step repeats at every 100 ms tick would otherwise
// bury standard error; the lines remembered are bounded, the oldest forgotten first.
class RepeatFilter
{
public:
    explicit RepeatFilter(qsizetype remembered = 64) : m_capacity(remembered) {}

    bool letThrough(const QString &line)
    {
        if (m_seen.contains(line))
            return false;
        if (m_seen.size() >= m_capacity)
            m_seen.removeFirst();
        m_seen << line;
        return true;
    }

private:
    qsizetype m_capacity;
    QStringList m_seen;
};
