// SPDX-License-Identifier: MIT
#pragma once

// Cases about who may change a file, tried with real users of this machine: each case runs as root
// and as "nobody", while "daemon" owns what neither of them may trust. Only root can make files for
// other users and take their identity, so these tests need root.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <exception>
#include <functional>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct LocalUser {
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;

    // A user of this machine by name, as passwd has it; an empty name when there is none.
    static LocalUser named(const char *name)
    {
        const passwd *entry = ::getpwnam(name);
        return entry ? LocalUser{QString::fromLocal8Bit(entry->pw_name), entry->pw_uid, entry->pw_gid}
                     : LocalUser{};
    }
};

// Runs work as user in a forked child (the user's uid and gid, no supplementary groups) and returns
// the text it returns, or "threw: <what>" for an exception. The child dies with the test.
inline QString asUser(const LocalUser &user, const std::function<QString()> &work)
{
    int out[2];
    if (::pipe(out) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        QByteArray result;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(user.gid, user.gid, user.gid) != 0 ||
            ::setresuid(user.uid, user.uid, user.uid) != 0) {
            result = "<cannot become " + user.name.toLocal8Bit() + ">";
        } else {
            try {
                result = work().toUtf8();
            } catch (const std::exception &error) {
                result = QByteArray("threw: ") + error.what();
            }
        }
        QFile pipe;
        if (pipe.open(out[1], QIODevice::WriteOnly | QIODevice::Unbuffered))
            pipe.write(result);
        ::_exit(0);
    }
    ::close(out[1]);
    if (child < 0) {
        ::close(out[0]);
        return QStringLiteral("<no child>");
    }
    QFile pipe;
    pipe.open(out[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray result = pipe.readAll();
    pipe.close();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return QStringLiteral("<the child as %1 died>").arg(user.name);
    return QString::fromUtf8(result);
}

class TwoUsers
{
public:
    TwoUsers() { ::chmod(QFile::encodeName(m_base.path()).constData(), 0755); }

    const LocalUser root = LocalUser::named("root");
    const LocalUser nobody = LocalUser::named("nobody");
    const LocalUser other = LocalUser::named("daemon");

    bool available() const
    {
        return ::geteuid() == 0 && !nobody.name.isEmpty() && !other.name.isEmpty() && m_base.isValid();
    }
    QList<LocalUser> runners() const { return {root, nobody}; }

    // A fresh directory for one case, in which every user may look.
    QString freshPlace()
    {
        const QString place = m_base.filePath(QString::number(++m_count));
        makeDirectory(place, QStringLiteral("root 0755"), root);
        return place;
    }

    // A directory or a file given as "<owner> <octal mode>": owner "runner" (the user a case runs
    // as), "root" or "other".
    void makeDirectory(const QString &path, const QString &ownership, const LocalUser &runner)
    {
        if (!QDir().mkdir(path))
            qFatal("cannot make %s", qPrintable(path));
        own(path, ownership, runner);
    }
    void makeFile(const QString &path, const QByteArray &content, const QString &ownership,
                  const LocalUser &runner)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        own(path, ownership, runner);
    }

private:
    void own(const QString &path, const QString &ownership, const LocalUser &runner)
    {
        const QStringList parts = ownership.split(QLatin1Char(' '));
        const LocalUser &owner = parts[0] == QLatin1String("runner") ? runner
                                 : parts[0] == QLatin1String("root") ? root
                                                                     : other;
        const QByteArray name = QFile::encodeName(path);
        if (::chown(name.constData(), owner.uid, owner.gid) != 0 ||
            ::chmod(name.constData(), mode_t(parts[1].toUInt(nullptr, 8))) != 0)
            qFatal("cannot give %s to %s", qPrintable(path), qPrintable(ownership));
    }

    QTemporaryDir m_base;
    int m_count = 0;
};
