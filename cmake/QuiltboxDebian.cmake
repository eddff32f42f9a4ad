# The Linux packages of the command line: a tarball of the installed tree (it moves as a whole; the CMake package finds
# the program from its own folder) and a Debian package installed under /usr.
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_FILE_NAME quiltbox-cli-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})

set(CPACK_DEBIAN_PACKAGE_NAME quiltbox-cli)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first and indents these lines as Debian's control file wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "quiltbox-cli packs BMP, TGA and PNG sprites into one texture atlas with an
automatic layout, and writes the atlas (BMP, TGA or PNG), where every sprite
landed (UV lists for C and C++, a JSON hash for game engines), a header of
numbered texture IDs and a project file that the Quiltbox window program opens.

The package holds a CMake package as well: find_package(Quiltbox) and
quiltbox_add_atlas() let a game's build pack its atlas again whenever a sprite
changes.")

# Debian wants the package's own changelog, gzipped, beside the copyright file.
set(changelog ${PROJECT_BINARY_DIR}/package/changelog.Debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${changelog} @ONLY)
add_custom_command(OUTPUT ${changelog}.gz
    COMMAND gzip -9nkf ${changelog}
    DEPENDS ${changelog}
    VERBATIM)
add_custom_target(quiltbox_debian_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${QUILTBOX_DOC_DIR})
