// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>

class BusLink;
class QObject;

// One ALARM a session. The first to start takes the application id's name on the session bus and
// serves its remote control there; a later start hands its request to that one and ends. Without a
// session bus each ALARM runs on its own.
class SessionInstance
{
public:
    SessionInstance();
    ~SessionInstance();

    // The name on the bus and the interface: the application id; the object path: the id as a path.
    static QString serviceName();
    static QString objectPath();

    // Whether the session bus answered (within a few seconds); reason says why not.
    bool joined(QString *reason = nullptr);
    // Offers control's scriptable slots and signals on the bus and asks for the name. False when
    // another ALARM holds it.
    bool claim(QObject &control);
    // Whether an ALARM holds the name now.
    bool running();
    // Calls method of the ALARM that holds the name; its answer, or nothing with error set.
    std::optional<QVariantList> call(const QString &method, const QVariantList &arguments, QString *error);
    // Starts an ALARM of its own in the background, with toolkitArguments, and waits until it
    // holds the name. False, with reason, when it did not come up.
    bool startInBackground(const QStringList &toolkitArguments, QString *reason);

private:
    std::unique_ptr<BusLink> m_link;
};
