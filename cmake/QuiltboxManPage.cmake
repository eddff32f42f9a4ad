# quiltbox-cli's manual page, written by help2man from the program's own help (every command's), so that it always
# tells what the program does; installed gzipped, as Debian keeps manual pages. A cross-compiled build cannot run the
# program and has no use for the page.
if(CMAKE_CROSSCOMPILING)
    return()
endif()
find_program(QUILTBOX_HELP2MAN help2man)
if(NOT QUILTBOX_HELP2MAN)
    message(STATUS "help2man is missing (scripts/install-deps.sh installs it): no manual page")
    return()
endif()

set(page ${PROJECT_BINARY_DIR}/man/quiltbox-cli.1)
add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QUILTBOX_CLI=$<TARGET_FILE:quiltbox-cli>
        ${QUILTBOX_HELP2MAN} --no-info --section=1 --name=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
        --include=${PROJECT_SOURCE_DIR}/docs/quiltbox-cli.h2m --output=${page}
        ${CMAKE_CURRENT_LIST_DIR}/quiltbox-cli-help.sh
    COMMAND gzip -9nf ${page}
    DEPENDS quiltbox-cli ${PROJECT_SOURCE_DIR}/docs/quiltbox-cli.h2m ${CMAKE_CURRENT_LIST_DIR}/quiltbox-cli-help.sh
    COMMENT "Writing quiltbox-cli's manual page"
    VERBATIM)
add_custom_target(quiltbox_manpage ALL DEPENDS ${page}.gz)
install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
