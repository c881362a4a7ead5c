# SPDX-License-Identifier: MIT
# Read by cpack before it builds the package. The maintainer is whoever builds and hands out the
# package; the project cannot know who that is, so nothing is filled in for them. As Debian's own
# tools do, it is taken from DEBFULLNAME and DEBEMAIL when not configured.
if(NOT CPACK_DEBIAN_PACKAGE_MAINTAINER AND DEFINED ENV{DEBEMAIL})
    if(DEFINED ENV{DEBFULLNAME})
        set(CPACK_DEBIAN_PACKAGE_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
    else()
        set(CPACK_DEBIAN_PACKAGE_MAINTAINER "$ENV{DEBEMAIL}")
    endif()
endif()
if(NOT CPACK_DEBIAN_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
    message(FATAL_ERROR "The package needs a maintainer, \"Name <address>\": set DEBFULLNAME and "
        "DEBEMAIL, or configure with -DALARM_PACKAGE_MAINTAINER=\"Name <address>\" "
        "(now: \"${CPACK_DEBIAN_PACKAGE_MAINTAINER}\")")
endif()
set(CPACK_PACKAGE_CONTACT "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
