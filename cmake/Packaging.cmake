# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in the build directory makes alarm_<version>_<arch>.deb.
set(ALARM_PACKAGE_MAINTAINER "" CACHE STRING
    "Maintainer field of the Debian package, \"Name <address>\"; empty: from DEBFULLNAME and DEBEMAIL")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME alarm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop alarm clock and shut-down timer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A tiny window in which a clock time is picked from three lists: hour,\n"
    "minutes and AM/PM. ON arms an alarm that speaks the time and rings a\n"
    "beep melody every two seconds until OFF is pressed; Shut down powers\n"
    "the computer off at that time, closing running applications without\n"
    "asking. The chosen time comes round every day for as long as the\n"
    "window is open.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ALARM_PACKAGE_MAINTAINER}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageMaintainer.cmake)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)

# Library dependencies come from dpkg-shlibdeps. What the programs load by name at run time it
# cannot see: espeak-ng's voice data and the Times New Roman stand-in the window is drawn with.
# Qt's X11 platform plugin comes with libqt6gui6. Its Wayland plugin is recommended: without it a
# Wayland session shows the window through XWayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-liberation, libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

# alarm-wake is given its one capability when the package is installed, by setcap (libcap2-bin,
# above): the files in a package cannot carry one.
set(ALARM_WAKE_INSTALLED /usr/${CMAKE_INSTALL_BINDIR}/alarm-wake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/postinst.in ${PROJECT_BINARY_DIR}/debian/postinst @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Between staging and packing: directory modes, the changelog, and sections no program needs.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStaging.cmake)
set(CPACK_ALARM_CHANGELOG ${PROJECT_SOURCE_DIR}/data/changelog)
set(CPACK_ALARM_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_ALARM_OBJCOPY ${CMAKE_OBJCOPY})

include(CPack)
