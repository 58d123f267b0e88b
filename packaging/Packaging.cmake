# The Debian package of what packaging/CMakeLists.txt installs:
#   cmake --build --preset default --target package   ->  build/dovrane_VERSION_ARCH.deb
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dovrane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DOVRANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware loader for UVC cameras with a vendor extension unit")
# Lines of at most 79 characters, as the control file wants them.
set(CPACK_PACKAGE_DESCRIPTION "\
Dovrane downloads firmware into USB video-class cameras and capture devices
whose firmware exposes a vendor extension unit. Pick a camera, pick a
firmware file (Intel HEX or raw binary) and press one button: Dovrane opens
a command channel over the extension-unit controls, writes the firmware in
packets while a progress bar advances, reads it back to compare and resets
the camera when asked, and reports success with the elapsed time. It also
shows the firmware versions of the camera and of a file, and follows cameras
as they are plugged in and out.

The package holds the window (dovrane), the window on two simulated cameras
for trying it without hardware (dovrane-demo) and dovrane-cli, the same
actions for production lines and scripts. Cameras are reached through the
uvcvideo driver.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
