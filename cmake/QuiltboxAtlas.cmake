# quiltbox_add_atlas(): a texture atlas built by a game's own build with `quiltbox-cli pack`.
#
#   quiltbox_add_atlas(<target> [ALL]
#       [IMAGES <file>...]
#       [IMAGE_DIR <dir> [GLOB <pattern>...]]
#       [OPTIONS <pack option>...]
#       OUTPUTS <output option> <file> [<output option> <file>...]
#       [DEPENDS <file or target>...])
#
# IMAGES are taken in the order given, then those of IMAGE_DIR that match a GLOB pattern (default: .bmp, .tga and .png
# in any letter case) in name order; relative paths are taken from the current source folder. The list is read again at
# every build, so a sprite added to or removed from IMAGE_DIR is seen without configuring by hand. OPTIONS go to `pack`
# as they stand (--size auto, --spacing 2, ...). OUTPUTS pairs each output option of `pack` with its file (--png
# atlas.png --json atlas.json --ids sprite_ids.h ...); relative files go to the current binary folder.
#
# The atlas is packed again exactly when an image, an option, an output or the command line itself changed, with the
# Ninja and Makefile generators alike. The whole command also goes into a file rewritten only when it changes, so that
# a changed option is seen without counting on the generator to compare command lines (Make itself does not).
# <target> is a custom target that others depend on (add_dependencies); its property QUILTBOX_OUTPUTS lists the outputs
# with their full paths. The command line runs on the build machine, also when the game is cross-compiled. A failed
# pack fails the build with the command line's message.
#
# Every output needs a fixed name: a name with "{n}" (one file per page) is refused, since the build could neither know
# nor clean the pages, nor see that one went missing, and pages of an earlier, larger pack would stay behind.
include_guard(GLOBAL)

function(quiltbox_add_atlas target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "ALL" "IMAGE_DIR" "IMAGES;GLOB;OPTIONS;OUTPUTS;DEPENDS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT TARGET Quiltbox::quiltbox-cli)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): Quiltbox::quiltbox-cli is missing: find_package(Quiltbox)")
    endif()

    set(images "")
    foreach(image IN LISTS arg_IMAGES)
        get_filename_component(image "${image}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        list(APPEND images "${image}")
    endforeach()
    if(DEFINED arg_IMAGE_DIR)
        get_filename_component(dir "${arg_IMAGE_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT IS_DIRECTORY "${dir}")
            message(FATAL_ERROR "quiltbox_add_atlas(${target}): IMAGE_DIR ${dir} is not a folder")
        endif()
        set(patterns ${arg_GLOB})
        if(NOT patterns)
            set(patterns *)
        endif()
        list(TRANSFORM patterns PREPEND "${dir}/")
        file(GLOB found LIST_DIRECTORIES false CONFIGURE_DEPENDS ${patterns})
        if(NOT arg_GLOB)
            list(FILTER found INCLUDE REGEX "\\.([bB][mM][pP]|[tT][gG][aA]|[pP][nN][gG])$")
        endif()
        list(SORT found)
        list(REMOVE_DUPLICATES found)
        list(APPEND images ${found})
    endif()
    if(NOT images)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): no images (IMAGES, or IMAGE_DIR with GLOB)")
    endif()

    list(LENGTH arg_OUTPUTS count)
    math(EXPR odd "${count} % 2")
    if(count EQUAL 0 OR odd)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): OUTPUTS takes pairs of an output option and a file, "
            "such as --png atlas.png")
    endif()
    set(output_arguments "")
    set(outputs "")
    set(folders "")
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET arg_OUTPUTS ${i} option)
        list(GET arg_OUTPUTS ${j} file)
        if(NOT option MATCHES "^-")
            message(FATAL_ERROR "quiltbox_add_atlas(${target}): '${option}' in OUTPUTS is not an option of pack")
        endif()
        string(FIND "${file}" "{n}" page)
        if(NOT page EQUAL -1)
            message(FATAL_ERROR "quiltbox_add_atlas(${target}): ${file} has a page number {n}; the build needs the "
                "name of every output: pack a single page with a fixed name")
        endif()
        get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
        get_filename_component(folder "${file}" DIRECTORY)
        list(APPEND output_arguments "${option}" "${file}")
        list(APPEND outputs "${file}")
        list(APPEND folders "${folder}")
    endforeach()
    list(REMOVE_DUPLICATES folders)

    # A file that changes exactly when the command does: the pack depends on it.
    set(stamp "${CMAKE_CURRENT_BINARY_DIR}/quiltbox/${target}.pack")
    string(JOIN "\n" command_text pack ${arg_OPTIONS} ${output_arguments} ${images})
    set(previous "")
    if(EXISTS "${stamp}")
        file(READ "${stamp}" previous)
    endif()
    if(NOT previous STREQUAL "${command_text}\n")
        file(WRITE "${stamp}" "${command_text}\n")
    endif()

    add_custom_command(OUTPUT ${outputs}
        COMMAND "${CMAKE_COMMAND}" -E make_directory ${folders}
        COMMAND "$<TARGET_FILE:Quiltbox::quiltbox-cli>" pack ${arg_OPTIONS} ${output_arguments} ${images}
        DEPENDS ${images} "${stamp}" "$<TARGET_FILE:Quiltbox::quiltbox-cli>" ${arg_DEPENDS}
        COMMENT "Packing the atlas ${target}"
        VERBATIM)
    set(all "")
    if(arg_ALL)
        set(all ALL)
    endif()
    add_custom_target(${target} ${all} DEPENDS ${outputs})
    set_target_properties(${target} PROPERTIES QUILTBOX_OUTPUTS "${outputs}")
endfunction()
