# What `cmake --install` puts in place, and the packages CPack makes of it (scripts/package.sh runs CPack through the
# package presets):
#   Windows build  the zip and the NSIS installer: Quiltbox.exe, quiltbox-cli.exe, the README and the format notes,
#                  side by side in one folder (the installer's is Program Files\Quiltbox);
#   Linux build    the tarball and the Debian package of the command line: bin/quiltbox-cli, its manual page, the CMake
#                  package that gives a game's build quiltbox_add_atlas(), the README and the format notes.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(CPACK_PACKAGE_NAME Quiltbox)
set(CPACK_PACKAGE_VENDOR Quiltbox)
set(CPACK_PACKAGE_CONTACT "Quiltbox developers <quiltbox@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "texture atlas packer for game sprites")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)
# The installer's commands hold quotes, which CPack would otherwise lose on the way to its generators.
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
    install(TARGETS Quiltbox quiltbox-cli RUNTIME DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/formats.md DESTINATION .)
    include(${CMAKE_CURRENT_LIST_DIR}/QuiltboxInstaller.cmake)
else()
    set(QUILTBOX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quiltbox-cli)
    install(TARGETS quiltbox-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/formats.md
        ${PROJECT_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${QUILTBOX_DOC_DIR})
    include(${CMAKE_CURRENT_LIST_DIR}/QuiltboxManPage.cmake)

    # The CMake package finds the command line from its own folder, so the installed tree can move (the tarball).
    set(QUILTBOX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quiltbox)
    set(QUILTBOX_CLI_PATH ${CMAKE_INSTALL_BINDIR}/quiltbox-cli)
    configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QuiltboxConfig.cmake.in
        ${PROJECT_BINARY_DIR}/package/QuiltboxConfig.cmake
        INSTALL_DESTINATION ${QUILTBOX_CMAKE_DIR}
        PATH_VARS QUILTBOX_CLI_PATH
        NO_CHECK_REQUIRED_COMPONENTS_MACRO)
    # The package holds a program for the build machine: a game that cross-compiles for 32 or 64 bits takes it alike.
    write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/QuiltboxConfigVersion.cmake
        COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
    install(FILES ${PROJECT_BINARY_DIR}/package/QuiltboxConfig.cmake
        ${PROJECT_BINARY_DIR}/package/QuiltboxConfigVersion.cmake ${CMAKE_CURRENT_LIST_DIR}/QuiltboxAtlas.cmake
        DESTINATION ${QUILTBOX_CMAKE_DIR})

    include(${CMAKE_CURRENT_LIST_DIR}/QuiltboxDebian.cmake)
endif()

include(CPack)
