# The Debian package (cpack -G DEB in the build directory): one package with the library, its
# headers, the CMake and pkg-config files and the sample host, installed under /usr. The runtime
# dependencies are read from the binaries by dpkg-shlibdeps; the tree itself is `cmake --install`.
# Other platforms keep CPack's own defaults.
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
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Building a host against the headers, the CMake package or the .pc file needs Qt's own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-base-dev, pkg-config")
include(CPack)
