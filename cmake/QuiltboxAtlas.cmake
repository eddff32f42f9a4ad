# quiltbox_add_atlas(): a texture atlas built by a game's own build with `quiltbox-cli`, from a recipe or from a command
# line of `pack`.
#
#   quiltbox_add_atlas(<target> [ALL]
#       RECIPE <quiltbox.toml> [ATLAS <name>...]
#       [OPTIONS <pack option>...]
#       [DEPENDS <file or target>...])
#
# builds the recipe's atlases (or those named) with `quiltbox-cli build`, their outputs' relative paths taken from the
# current binary folder (the inputs' and templates' from the recipe's folder, as always). The outputs are asked of the
# program when configuring, and the recipe is a file of the configuration, so that a changed recipe configures again.
# The build writes a depfile naming the recipe, every input file and every input folder, so that Ninja and Makefiles
# run it again exactly when one of them changed (a sprite added to or removed from a folder changes the folder), or
# the program did. It then packs only what changed (a sprite saved again with the same pixels packs nothing), and an
# output whose bytes stay the same keeps its time, so that nothing that depends on it is built again. OPTIONS go to
# `build` as they stand and take the recipe's place. Needs CMake 3.20 (depfiles for the Makefile generators).
#
#   quiltbox_add_atlas(<target> [ALL]
#       [IMAGES <file>...]
#       [IMAGE_DIR <dir> [GLOB <pattern>...]]
#       [OPTIONS <pack option>...]
#       OUTPUTS <output option> <file> [<output option> <file>...]
#       [DEPENDS <file or target>...])
#
# packs with `quiltbox-cli pack`. IMAGES are taken in the order given, then those of IMAGE_DIR that match a GLOB
# pattern (default: .bmp, .tga and .png in any letter case) in name order; relative paths are taken from the current
# source folder. The list is read again at every build, so a sprite added to or removed from IMAGE_DIR is seen without
# configuring by hand. OPTIONS go to `pack` as they stand (--size auto, --spacing 2, ...). OUTPUTS pairs each output
# option of `pack` with its file (--png atlas.png --json atlas.json --ids sprite_ids.h ...); relative files go to the
# current binary folder. The atlas is packed again exactly when an image, an option, an output or the command line
# itself changed, with the Ninja and Makefile generators alike. The whole command also goes into a file rewritten only
# when it changes, so that a changed option is seen without counting on the generator to compare command lines (Make
# itself does not).
#
# Either way <target> is a custom target that others depend on (add_dependencies); its property QUILTBOX_OUTPUTS lists
# the outputs with their full paths. The command line runs on the build machine, also when the game is cross-compiled.
# A failed pack fails the build with the command line's message.
#
# Every output needs a fixed name: a name with "{n}" (one file per page) is refused, since the build could neither know
# nor clean the pages, nor see that one went missing, and pages of an earlier, larger pack would stay behind.
include_guard(GLOBAL)
# The depfile's paths as the build's own (the policy holds for the functions of this file only).
if(POLICY CMP0116)
    cmake_policy(SET CMP0116 NEW)
endif()

# The RECIPE form: `quiltbox-cli build` with a depfile, its outputs asked of the program.
function(_quiltbox_add_recipe_atlas target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "ALL" "RECIPE" "ATLAS;OPTIONS;DEPENDS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
    endif()
    if(CMAKE_VERSION VERSION_LESS 3.20)
        message(FATAL_ERROR "quiltbox_add_atlas(${target} RECIPE ...) needs CMake 3.20 or newer for its depfile")
    endif()
    get_filename_component(recipe "${arg_RECIPE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT EXISTS "${recipe}")
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): the recipe ${recipe} does not exist")
    endif()
    set(atlases "")
    foreach(name IN LISTS arg_ATLAS)
        list(APPEND atlases --atlas "${name}")
    endforeach()
    set(build_arguments build "${recipe}" ${atlases} --out-dir "${CMAKE_CURRENT_BINARY_DIR}" ${arg_OPTIONS})

    # The outputs, as the program reads the recipe; a changed recipe configures again, and asks again.
    get_target_property(cli Quiltbox::quiltbox-cli IMPORTED_LOCATION)
    if(NOT cli)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): Quiltbox::quiltbox-cli has no location to run")
    endif()
    execute_process(COMMAND "${cli}" ${build_arguments} --list-outputs
        OUTPUT_VARIABLE listed ERROR_VARIABLE error RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): ${recipe} cannot be built:\n${error}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${recipe}")
    string(REGEX REPLACE "\n+$" "" listed "${listed}")
    string(REPLACE "\n" ";" outputs "${listed}")
    set(folders "")
    foreach(file IN LISTS outputs)
        string(FIND "${file}" "{n}" page)
        if(NOT page EQUAL -1)
            message(FATAL_ERROR "quiltbox_add_atlas(${target}): ${file} has a page number {n}; the build needs the "
                "name of every output: pack a single page with a fixed name")
        endif()
        get_filename_component(folder "${file}" DIRECTORY)
        list(APPEND folders "${folder}")
    endforeach()
    list(REMOVE_DUPLICATES folders)

    # The stamp is what the build system goes by: written after every successful build, packed or up to date, while
    # the outputs keep their times when their bytes do.
    set(stamp "${CMAKE_CURRENT_BINARY_DIR}/quiltbox/${target}.stamp")
    set(depfile "${CMAKE_CURRENT_BINARY_DIR}/quiltbox/${target}.d")
    add_custom_command(OUTPUT "${stamp}"
        BYPRODUCTS ${outputs}
        COMMAND "${CMAKE_COMMAND}" -E make_directory ${folders} "${CMAKE_CURRENT_BINARY_DIR}/quiltbox"
        COMMAND Quiltbox::quiltbox-cli ${build_arguments} --depfile "${depfile}" --stamp "${stamp}"
        DEPENDS "${recipe}" Quiltbox::quiltbox-cli ${arg_DEPENDS}
        DEPFILE "${depfile}"
        COMMENT "Building the atlas ${target} from ${arg_RECIPE}"
        VERBATIM)
    set(all "")
    if(arg_ALL)
        set(all ALL)
    endif()
    add_custom_target(${target} ${all} DEPENDS "${stamp}")
    set_target_properties(${target} PROPERTIES QUILTBOX_OUTPUTS "${outputs}")
endfunction()

function(quiltbox_add_atlas target)
    if(NOT TARGET Quiltbox::quiltbox-cli)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): Quiltbox::quiltbox-cli is missing: find_package(Quiltbox)")
    endif()
    if("RECIPE" IN_LIST ARGN)
        _quiltbox_add_recipe_atlas(${ARGV})
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 arg "ALL" "IMAGE_DIR" "IMAGES;GLOB;OPTIONS;OUTPUTS;DEPENDS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "quiltbox_add_atlas(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
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
