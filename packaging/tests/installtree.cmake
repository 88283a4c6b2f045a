cmake_minimum_required(VERSION 3.16)

# Installs the build tree into a scratch root (DESTDIR) and checks that it holds
# exactly what the packages ship: every product file in its Debian place, and
# no test program, benchmark, fuzz target, test applet or demo tool.
# Given: BUILD_DIR WORK_DIR PREFIX BINDIR LIBDIR DATADIR INCLUDEDIR MANDIR
#        LIBVERSION PACKAGES (the package names, for their doc folders)

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${WORK_DIR}"
                        "${CMAKE_COMMAND}" --install "${BUILD_DIR}"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${error}")
endif()

set(expected
  ${BINDIR}/trustkeep
  ${BINDIR}/plixcontrolpanel
  ${DATADIR}/dbus-1/system.d/com.tavelo.certman.conf
  ${DATADIR}/dbus-1/system-services/com.tavelo.certman.service
  ${DATADIR}/dbus-1/interfaces/com.tavelo.certman.xml
  ${DATADIR}/trustkeep/translations/common.qm
  ${DATADIR}/trustkeep/translations/certificatemanager.qm
  ${DATADIR}/trustkeep/translations/plixcontrolpanel-trustpanel.qm
  ${LIBDIR}/plixcontrolpanel/applets/libtrustpanel.so
  ${LIBDIR}/plixcontrolpanel/applets/trustpanel.applet
  ${MANDIR}/man1/trustkeep.1.gz
  ${MANDIR}/man1/plixcontrolpanel.1.gz
  ${INCLUDEDIR}/bastra_crypto.h
  ${INCLUDEDIR}/bastra_certman.h
  ${INCLUDEDIR}/bastra-certman-ui/certificateitem.h
  ${INCLUDEDIR}/zelvotouch/zelvoapplication.h
  ${INCLUDEDIR}/plixcontrolpanel/plixappletif.h)
foreach(library bastra_crypto bastra_certman bastra_certman_ui zelvotouchcore plixcontrolpanel)
  list(APPEND expected ${LIBDIR}/lib${library}.so ${LIBDIR}/lib${library}.so.0
                       ${LIBDIR}/lib${library}.so.${LIBVERSION})
endforeach()
foreach(package IN LISTS PACKAGES)
  list(APPEND expected ${DATADIR}/doc/${package}/copyright ${DATADIR}/doc/${package}/changelog.gz)
endforeach()

set(root "${WORK_DIR}${PREFIX}")
set(failures)
foreach(path IN LISTS expected)
  if(NOT EXISTS "${root}/${path}")
    list(APPEND failures "missing: ${path}")
  endif()
endforeach()

# Public headers are many; any header in the platform's include folders is fine.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${root}" "${WORK_DIR}/*")
foreach(path IN LISTS installed)
  if(NOT path IN_LIST expected AND NOT path MATCHES "^${INCLUDEDIR}/(bastra-certman-ui/|zelvotouch/|plixcontrolpanel/)?[a-z_]+\\.h$")
    list(APPEND failures "not a packaged file: ${path}")
  endif()
endforeach()

file(READ "${root}/${DATADIR}/dbus-1/system-services/com.tavelo.certman.service" activation)
if(NOT activation MATCHES "\nExec=${PREFIX}/${BINDIR}/trustkeep --dbus\n")
  list(APPEND failures "the activation file does not start the installed ${PREFIX}/${BINDIR}/trustkeep:\n${activation}")
endif()
file(READ "${root}/${LIBDIR}/plixcontrolpanel/applets/trustpanel.applet" descriptor)
if(NOT descriptor MATCHES "\nName=trustpanel\nPlugin=libtrustpanel.so\n")
  list(APPEND failures "the applet descriptor does not name libtrustpanel.so:\n${descriptor}")
endif()
if(NOT IS_SYMLINK "${root}/${LIBDIR}/libbastra_crypto.so.0")
  list(APPEND failures "libbastra_crypto.so.0 is not the link of a versioned library")
endif()

if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
list(LENGTH expected count)
message(STATUS "install tree under ${root}: the ${count} packaged files and nothing else")
