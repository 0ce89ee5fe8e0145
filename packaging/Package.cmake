# packaging: what is installed where, and the Debian package CPack makes of it
# (qm4700_<version>_<arch>.deb; scripts/package builds, checks and tries it).
#   /usr/bin                      the window program, the simulator, the collector when it is built
#   /usr/share/applications       the desktop entry; the menu start keeps files in $XDG_DATA_HOME/qm4700
#   /usr/share/metainfo           the AppStream description
#   /usr/share/icons/hicolor      the icon: the drawing, and PNGs rendered from it at build time
#   /usr/share/man/man1           a page for each program, gzipped
#   /usr/share/doc/qm4700         copyright, changelog
# No udev rule and no capabilities: serial ports stay as the system sets them (group dialout).
# Included from the top-level CMakeLists.txt after every program is defined.

include(GNUInstallDirs)

set(QM_PKG_SOURCE ${CMAKE_CURRENT_LIST_DIR})
set(QM_PKG_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QM_PKG_OUT})

# Where software centres fetch the screenshot from (AppStream wants a web address): docs/screenshot.png
# published beside the home page.
set(QM_SCREENSHOT_URL "${PROJECT_HOMEPAGE_URL}/screenshot.png" CACHE STRING "Web address of docs/screenshot.png")

# Directories the install makes are rwxr-xr-x whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- Programs and their manual pages ------------------------------------------------------

set(qm_pkg_outputs)
set(qm_programs qm4700)
foreach(program qm4700-sim qm4700-collector)
  if(TARGET ${program})
    list(APPEND qm_programs ${program})
  endif()
endforeach()
install(TARGETS ${qm_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (CPack's) also drops the compilers' notes, as Debian's own packages do.
foreach(program ${qm_programs})
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
endforeach()

# Pages carry the version (configured), then gzip -9n: no name or time stamp in the archive, so
# the same page gives the same bytes.
find_program(QM_GZIP gzip REQUIRED)
foreach(program ${qm_programs})
  configure_file(${QM_PKG_SOURCE}/man/${program}.1.in ${QM_PKG_OUT}/${program}.1 @ONLY)
  add_custom_command(OUTPUT ${QM_PKG_OUT}/${program}.1.gz
                     COMMAND ${QM_GZIP} -9nf ${QM_PKG_OUT}/${program}.1 -c > ${QM_PKG_OUT}/${program}.1.gz
                     DEPENDS ${QM_PKG_OUT}/${program}.1 VERBATIM)
  list(APPEND qm_pkg_outputs ${QM_PKG_OUT}/${program}.1.gz)
  install(FILES ${QM_PKG_OUT}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# --- Desktop entry, AppStream file, icon ----------------------------------------------------

configure_file(${QM_PKG_SOURCE}/qm4700.desktop.in ${QM_PKG_OUT}/${QM_APP_ID}.desktop @ONLY)
configure_file(${QM_PKG_SOURCE}/qm4700.metainfo.xml.in ${QM_PKG_OUT}/${QM_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QM_PKG_OUT}/${QM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QM_PKG_OUT}/${QM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QM_PKG_SOURCE}/icons/qm4700.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QM_APP_ID}.svg)

# The PNGs are rendered from the one drawing. Without rsvg-convert (librsvg2-bin, installed by
# scripts/setup) the rest still builds and tests; only installing, and so packaging, stops.
find_program(QM_RSVG_CONVERT rsvg-convert)
foreach(size 48 128 256)
  set(png ${QM_PKG_OUT}/icons/${size}x${size}/${QM_APP_ID}.png)
  if(QM_RSVG_CONVERT)
    add_custom_command(OUTPUT ${png}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_PKG_OUT}/icons/${size}x${size}
                       COMMAND ${QM_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QM_PKG_SOURCE}/icons/qm4700.svg
                       DEPENDS ${QM_PKG_SOURCE}/icons/qm4700.svg VERBATIM)
    list(APPEND qm_pkg_outputs ${png})
  endif()
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
if(NOT QM_RSVG_CONVERT)
  message(STATUS "rsvg-convert not found (librsvg2-bin): the icon's PNGs are not rendered, installing will fail")
endif()

# --- The collector's service ----------------------------------------------------------------

if(TARGET qm4700-collector)
  # Debian 12 keeps packaged units in /lib/systemd/system (the same place as /usr/lib/... on a
  # merged /usr). postinst makes the system user the unit runs as; prerm stops running collectors.
  install(FILES ${QM_PKG_SOURCE}/qm4700-collector@.service DESTINATION /lib/systemd/system)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QM_PKG_SOURCE}/debian/postinst ${QM_PKG_SOURCE}/debian/prerm
      ${QM_PKG_SOURCE}/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(qm_pkg_extra_depends "adduser")
endif()

# --- Debian's own files ---------------------------------------------------------------------

add_custom_command(OUTPUT ${QM_PKG_OUT}/changelog.gz
                   COMMAND ${QM_GZIP} -9n -c ${QM_PKG_SOURCE}/debian/changelog > ${QM_PKG_OUT}/changelog.gz
                   DEPENDS ${QM_PKG_SOURCE}/debian/changelog VERBATIM)
list(APPEND qm_pkg_outputs ${QM_PKG_OUT}/changelog.gz)
install(FILES ${QM_PKG_SOURCE}/debian/copyright ${QM_PKG_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qm4700)

add_custom_target(qm_package_files ALL DEPENDS ${qm_pkg_outputs})

# --- CPack: the .deb ------------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qm4700)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QM4700 line monitor maintainers <maintainers@users.noreply.c-seed-8837ae79.example>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# Depends: what dpkg-shlibdeps finds the binaries linked against (Debian 12's Qt 6.4, QCustomPlot,
# libmodbus ...), plus adduser for the collector's postinst (deb-systemd-invoke is essential).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${qm_pkg_extra_depends}")
# Qt's own texts (the buttons of message boxes, file dialogs) in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor of QM4700 pH meters on a Modbus RTU line")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[A desktop program for operators of QM4700 instruments: pH meters that also
report E and temperature, keep a clock and an archive, and answer as Modbus
RTU slaves on one serial line.
.
It polls up to ten instruments once a second into a live table, plots pH and
temperature on a trend chart kept between runs, keeps a daily CSV journal,
downloads, saves and plots an instrument's archive, and sets its archive
period and clock. The user interface is in Russian.
.
The package also holds qm4700-sim, a simulated line of instruments, for
training and for trying the program on site without hardware.]])

include(CPack)
