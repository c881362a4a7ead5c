// SPDX-License-Identifier: MIT
#include "AttemptLock.h"

#include "FileFailure.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace alarmcmd {

AttemptLock::AttemptLock(std::string path) : m_path(std::move(path)) {}

AttemptLock::~AttemptLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool AttemptLock::claim(QString *error)
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return failure("cannot open", m_path, error);
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        const bool result = heldElsewhere ? false : failure("cannot lock", m_path, error);
        ::close(fd);
        return result;
    }
    m_fd = fd;
    return true;
}

std::string attemptLockPath(const std::string &runtimeDirectory, const std::string &scriptPath)
{
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(scriptPath), QCryptographicHash::Sha256).toHex();
    return runtimeDirectory + "/alarm-cmd-" + digest.left(16).toStdString() + ".lock";
}

} // namespace alarmcmd
