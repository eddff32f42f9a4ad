# Header-only libraries from Debian's packages (scripts/install-deps.sh installs them): stb_image (libstb-dev) for
# reading PNG, stb_image_resize (the same package's, so that both builds resample alike) for the scale variants,
# stb_image_write for the PNG benchmark's writer before zlib, nlohmann/json (nlohmann-json3-dev), CLI11
# (libcli11-dev) and kainjow's mustache (libkainjow-mustache-dev) for the command line, toml++ (libtomlplusplus-dev) for
# the recipes.
#
# Every build sees them through one folder of copies in its build tree, never through /usr/include: the mingw-w64
# build must not see the host's /usr/include, whose glibc headers would stand in for its own. The folder is a system
# include folder, so the libraries' own code is held to their warnings, not to ours.
set(QUILTBOX_THIRD_PARTY_DIR ${PROJECT_BINARY_DIR}/third-party)
foreach(header /usr/include/stb/stb_image.h /usr/include/stb/stb_image_write.h /usr/include/stb/stb_image_resize.h
        /usr/include/nlohmann/json.hpp /usr/include/CLI/CLI.hpp /usr/include/kainjow/mustache.hpp /usr/include/toml++/toml.h)
    if(NOT EXISTS ${header})
        message(FATAL_ERROR "${header} is missing: run scripts/install-deps.sh")
    endif()
endforeach()
file(COPY /usr/include/stb/stb_image.h /usr/include/stb/stb_image_write.h /usr/include/stb/stb_image_resize.h
     DESTINATION ${QUILTBOX_THIRD_PARTY_DIR}/stb)
file(COPY /usr/include/nlohmann /usr/include/CLI /usr/include/kainjow /usr/include/toml++
     DESTINATION ${QUILTBOX_THIRD_PARTY_DIR})

add_library(quiltbox_third_party INTERFACE)
target_include_directories(quiltbox_third_party SYSTEM INTERFACE ${QUILTBOX_THIRD_PARTY_DIR})
