# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in the build directory makes alarm_<version>_<arch>.deb.
set(ALARM_PACKAGE_MAINTAINER "The ALARM developers <alarm@velmora.invalid>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME alarm)
set(CPACK_PACKAGE_VENDOR "The ALARM developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "alarm and shut-down timer for the desktop")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "ALARM is a tiny window in which you pick a clock time from three lists:\n"
    "hour, minutes and AM/PM. ON arms an alarm that speaks the time and rings a\n"
    "beep melody every two seconds until OFF, and Shut down powers the computer\n"
    "off at that time. The chosen time comes round every day for as long as ALARM runs.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT ${ALARM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ALARM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)

# Library dependencies come from dpkg-shlibdeps. What the programs load by name at run time it
# cannot see: espeak-ng's voice data and the Times New Roman stand-in the window is drawn with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-liberation")

# Directories in the package are 0755 whatever the umask of whoever builds it.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackagePermissions.cmake)

include(CPack)
