# The Debian package (cpack -G DEB in the build directory): one package with the library, its
# headers, the CMake and pkg-config files and the sample host, installed under /usr; the tree
# itself is `cmake --install`. Other platforms keep CPack's own defaults.
set(CPACK_PACKAGE_NAME "zarnetcalc")
set(CPACK_PACKAGE_VENDOR "Zarnet")
set(CPACK_PACKAGE_CONTACT "Zarnet <zarnetcalc@zarnet.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "A Qt 6 Widgets component a host application shows modally over one of its windows to\n\
let the user work out a figure, with the sample host zarnetcalc-demo.")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
    set(CPACK_GENERATOR "DEB")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)  # debugging information stays in the build tree
set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
# The runtime libraries the library and the sample host link, by their Debian names: Qt at least
# as new as the Qt built against, and the C and C++ runtimes.
set(_zc_qt_at_least "(>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR})")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6core6 ${_zc_qt_at_least}, libqt6gui6 ${_zc_qt_at_least}, \
libqt6widgets6 ${_zc_qt_at_least}, libqt6test6 ${_zc_qt_at_least}, libstdc++6, libgcc-s1, libc6")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Building a host against the headers, the CMake package or the .pc file needs Qt's own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-base-dev, pkg-config")
include(CPack)
