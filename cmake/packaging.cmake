# Packages, made by cpack in a build tree (see the package presets):
#   Linux:   twinscout_<version>_<arch>.deb
#   Windows: twinscout-<version>-win64.zip or -win32.zip with twinscout.exe, README.md, LICENSE
set(CPACK_PACKAGE_NAME twinscout)
set(CPACK_PACKAGE_VENDOR "The twinscout authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find files with identical content")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_PACKAGE_FILE_NAME twinscout-${PROJECT_VERSION}-win64)
    else()
        set(CPACK_PACKAGE_FILE_NAME twinscout-${PROJECT_VERSION}-win32)
    endif()
    # The three files at the zip's root, as cmake --install lays them out.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_NAME twinscout)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Debian requires an address. The project has none yet: a reserved .invalid domain
    # (RFC 2606) can never reach a stranger by mistake.
    set(TWINSCOUT_MAINTAINER_ADDRESS maintainers@twinscout.invalid
        CACHE STRING "Mail address in the Maintainer field of the .deb")
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The twinscout authors <${TWINSCOUT_MAINTAINER_ADDRESS}>")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # cpack puts the summary above this as the synopsis line.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "twinscout walks one or more source directories, lists the files that pass
its filters (texts the path must contain, directories to leave out) and
prints every pair of files whose contents are identical byte for byte.
It never writes to the trees it reads; on request it keeps a trace of
its work in the current directory.")
    # Debian wants the copyright file, a changelog and compressed documentation,
    # which cmake --install has no use for: they are added to the package alone.
    set(CPACK_TWINSCOUT_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/cmake/debian)
    set(CPACK_TWINSCOUT_STRIP ${CMAKE_STRIP})
    set(CPACK_TWINSCOUT_LICENSE_FILE ${PROJECT_SOURCE_DIR}/LICENSE)
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/finish_package.cmake)
endif()

include(CPack)
