# The Debian package: `cpack -G DEB` in the build folder. It holds what
# `cmake --install` installs under /usr; its dependencies come from the
# shared libraries the executables link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Brevora developers")
set(CPACK_PACKAGE_CONTACT ${BREVORA_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BREVORA_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BREVORA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "live loop-mixing desk played from the computer keyboard
Brevora is a desk of sixteen channels played from the computer keyboard.
Each channel holds a main and an effect sample, starts them in phase on
the tempo grid and restarts them once per loop, with its own volume,
balance and pitch.
.
A performance is recorded as timed events, saved as a mix file, played
back and exported to WAV. The package also holds brevora-render, which
renders a mix to WAV from the command line, and a demo set.")
include(CPack)
