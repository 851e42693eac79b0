# Debian packages of the library, its development files, the tools and the
# QML module, made by "cpack -G DEB" in a build configured for the system
# prefix (scripts/package.sh does both, and checks them with lintian).
set(CPACK_PACKAGE_NAME cvsettings)
set(CPACK_PACKAGE_VENDOR "the cvsettings developers")
set(CPACK_PACKAGE_CONTACT "cvsettings developers <cvsettings@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration library of the Corvane video-meeting client")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Reads the client's encrypted product data files and keeps the user's\n settings file, holding every setting as an observable Qt object.")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.invalid/cvsettings")

set(cv_lib_package libcvsettings${PROJECT_VERSION_MAJOR})
set(cv_packages library ${cv_lib_package} libs "the shared libraries"
                development libcvsettings-dev libdevel "development files: headers, CMake and pkg-config files"
                tools cvsettings-tools utils "cvconf and cvdata, the support and data-file tools"
                qml qml-module-corvane-settings libs "the QML module Corvane.Settings")
set(CPACK_COMPONENTS_ALL)
while(cv_packages)
  list(POP_FRONT cv_packages component name section what)
  string(TOUPPER ${component} upper)
  get_cmake_property(installed COMPONENTS)
  if(NOT component IN_LIST installed)
    continue()
  endif()
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${name})
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section})
  set(CPACK_COMPONENT_${upper}_DESCRIPTION "${what}\n The configuration library of the Corvane video-meeting client reads the\n client's encrypted product data files and keeps the user's settings file,\n holding every setting as an observable Qt object.")
  # Debian wants the copyright and a changelog in every package.
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/${name}/changelog
    "${name} (${PROJECT_VERSION}) unstable; urgency=medium\n\n  * Packaged from the cvsettings tree.\n\n -- ${CPACK_PACKAGE_CONTACT}  Mon, 07 Dec 2026 00:00:00 +0000\n")
  execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/${name}/changelog)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/${name}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${component})
endwhile()
# The Qt the build was made with.
if(QT_MAJOR_VERSION EQUAL 5)
  set(cv_qt_depends "libqt5core5a (>= 5.15), libc6, libstdc++6, libgcc-s1")
  set(cv_qml_depends "libqt5qml5, qml-module-qtquick2")
  set(cv_qt_dev qtbase5-dev)
else()
  set(cv_qt_depends "libqt6core6 (>= 6.4), libc6, libstdc++6, libgcc-s1")
  set(cv_qml_depends "libqt6qml6, qml6-module-qtquick")
  set(cv_qt_dev qt6-base-dev)
endif()
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${cv_lib_package} (= ${PROJECT_VERSION}), ${cv_qt_dev}")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The loader's cache is refreshed when the shared libraries come and go.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
# dpkg-shlibdeps does not look into the package built beside: the packages
# that link the library name it, and what it links, themselves.
foreach(component TOOLS QML)
  set(CPACK_DEBIAN_${component}_PACKAGE_SHLIBDEPS OFF)
endforeach()
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${cv_lib_package} (= ${PROJECT_VERSION}), ${cv_qt_depends}, libssl3")
set(CPACK_DEBIAN_QML_PACKAGE_DEPENDS
  "${cv_lib_package} (= ${PROJECT_VERSION}), ${cv_qt_depends}, ${cv_qml_depends}")
include(CPack)
