// SPDX-License-Identifier: MIT
#pragma once

#include "AppIdentity.h"

#include <pulse/proplist.h>

// What ALARM's connection and its one stream tell the sound server. The server remembers a
// stream's volume by these (WirePlumber by the role, then the application id), so every stream of
// ALARM's, the one that plays and the one that only looks, carries the same.
inline void setClientProperties(pa_proplist *properties)
{
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, kAppName);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, kAppId);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, kAppId);
}

// The stream is an alarm's, so the desktop can treat it as one (route it, keep it audible).
inline void setStreamProperties(pa_proplist *properties)
{
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "alarm");
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, "Alarm");
}
