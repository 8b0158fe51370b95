# Installation and the Debian package.
#
# `cmake --install <build> [--prefix DIR]` places the program, its desktop
# entry, icon, AppStream metainfo and manual page in the standard GNUInstallDirs
# locations; `cpack` in the build folder makes zorva_<version>_<arch>.deb from
# the same rules. Only the program and these data files are installed: the
# libraries are static and have no install rules, and neither have the tests
# nor the benchmarks.

include(GNUInstallDirs)

# The application id: desktop entry, icon and metainfo are all named after it.
set(ZORVA_APP_ID "org.zorva.Zorva")
# The date of the release named by the project version (metainfo, manual page).
set(ZORVA_RELEASE_DATE "2026-12-08")
set(ZORVA_HOMEPAGE "https://zorva.example.org/")

set(ZORVA_DATA_DIR "${PROJECT_SOURCE_DIR}/data")
set(ZORVA_GENERATED_DIR "${PROJECT_BINARY_DIR}/data")

# --- Data files configured with the version ------------------------------------
configure_file("${ZORVA_DATA_DIR}/${ZORVA_APP_ID}.metainfo.xml.in"
               "${ZORVA_GENERATED_DIR}/${ZORVA_APP_ID}.metainfo.xml" @ONLY)
configure_file("${ZORVA_DATA_DIR}/zorva.1.in" "${ZORVA_GENERATED_DIR}/zorva.1" @ONLY)

# --- Install rules -------------------------------------------------------------
install(TARGETS zorva RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${ZORVA_DATA_DIR}/${ZORVA_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${ZORVA_DATA_DIR}/${ZORVA_APP_ID}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${ZORVA_GENERATED_DIR}/${ZORVA_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${ZORVA_GENERATED_DIR}/zorva.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# The licence, where Debian looks for it, once the project has one.
if(EXISTS "${PROJECT_SOURCE_DIR}/LICENSE")
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/zorva"
          RENAME copyright)
endif()

# --- The Debian package --------------------------------------------------------
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zorva")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The ZORVA developers")
set(CPACK_PACKAGE_CONTACT "The ZORVA developers <zorva@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ZORVA_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mechanics on a curve: a body sliding up the isochrone")
# The long description; CPack puts the summary above it as its first line and
# turns the empty line into the paragraph separator.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ZORVA is a desktop demonstration of mechanics on a curve for the
classroom. A point mass slides without friction up the isochrone, the
semicubical parabola on which a body launched at the right speed keeps a
constant vertical speed.

The program integrates the motion tick by tick and draws the body's
trace, its velocity, the forces on it (weight, normal reaction, total
force and their components) as labelled arrows, and its circle of
curvature. A run can also be made from the command line without a
window, writing its data as CSV and its final picture as PNG.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The ZORVA developers <zorva@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZORVA_HOMEPAGE}")
# Every runtime dependency is named here, Qt first (Charts only when the build
# uses it); qt6-qpa-plugins brings the platform plugins beyond the X11 one. The
# C and C++ runtime minimums are those of Debian 12, the system the package is
# built on. dpkg-shlibdeps is not run by CPack, as it would repeat the Qt
# libraries with other versions; the install_layout test runs it instead and
# fails when the binary needs a package that is missing from this list.
set(ZORVA_DEB_DEPENDS
    "libqt6widgets6 (>= 6.4)" "libqt6gui6 (>= 6.4)" "libqt6core6 (>= 6.4)")
if(TARGET Qt6::Charts)
  list(APPEND ZORVA_DEB_DEPENDS "libqt6charts6 (>= 6.4)")
endif()
list(APPEND ZORVA_DEB_DEPENDS "qt6-qpa-plugins" "libc6 (>= 2.36)" "libstdc++6 (>= 12)"
     "libgcc-s1 (>= 3.0)")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
list(JOIN ZORVA_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

# What Debian wants of a package beyond the install rules, done on CPack's
# staged files only (a plain `cmake --install` is left as it is): the manual
# page compressed with `gzip -9n`, and a changelog entry for this version.
execute_process(COMMAND date -u -R -d "${ZORVA_RELEASE_DATE}"
                OUTPUT_VARIABLE ZORVA_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
file(CONFIGURE OUTPUT "${ZORVA_GENERATED_DIR}/changelog" CONTENT [==[
zorva (@PROJECT_VERSION@) unstable; urgency=medium

  * Release @PROJECT_VERSION@.

 -- @CPACK_DEBIAN_PACKAGE_MAINTAINER@  @ZORVA_RELEASE_DATE_RFC2822@
]==] @ONLY)
file(CONFIGURE OUTPUT "${ZORVA_GENERATED_DIR}/deb_prebuild.cmake" CONTENT [==[
# Run by cpack on the staged files, before the .deb is made.
set(usr "${CPACK_TEMPORARY_DIRECTORY}@CPACK_PACKAGING_INSTALL_PREFIX@")
execute_process(COMMAND gzip -9nf "${usr}/@CMAKE_INSTALL_MANDIR@/man1/zorva.1"
                COMMAND_ERROR_IS_FATAL ANY)
file(MAKE_DIRECTORY "${usr}/@CMAKE_INSTALL_DATADIR@/doc/zorva")
execute_process(COMMAND gzip -9n -c "@ZORVA_GENERATED_DIR@/changelog"
                OUTPUT_FILE "${usr}/@CMAKE_INSTALL_DATADIR@/doc/zorva/changelog.gz"
                COMMAND_ERROR_IS_FATAL ANY)
]==] @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS "${ZORVA_GENERATED_DIR}/deb_prebuild.cmake")

# Source packages are made with git, not CPack.
set(CPACK_SOURCE_GENERATOR "")

include(CPack)
