// SPDX-License-Identifier: MIT
#pragma once

// What the tests' stand-in services share: they end with the test that started them, tell it what
// happened as one JSON line each on standard output, and take its commands as one line each on
// standard input, words split at blanks.

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>

#include <sys/prctl.h>
#include <unistd.h>

namespace standin {

// False when the test that started this process has already gone.
inline bool endWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    return getppid() != 1;
}

inline void tell(const QJsonObject &line)
{
    std::fprintf(stdout, "%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

// Hands each line of standard input to obey; the application quits when it closes.
class Commands
{
public:
    Commands(QCoreApplication &app, std::function<void(const QStringList &)> obey)
        : m_input(STDIN_FILENO, QSocketNotifier::Read)
    {
        QObject::connect(&m_input, &QSocketNotifier::activated, [this, &app, obey = std::move(obey)] {
            char chunk[256];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0) {
                app.quit();
                return;
            }
            m_pending.append(chunk, size_t(got));
            for (size_t end; (end = m_pending.find('\n')) != std::string::npos; m_pending.erase(0, end + 1))
                obey(QString::fromStdString(m_pending.substr(0, end)).split(' '));
        });
    }

private:
    QSocketNotifier m_input;
    std::string m_pending;
};

} // namespace standin
