# Compile options for the project's own targets. Third-party code (GoogleTest) is built without them.
option(QUILTBOX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(quiltbox_options INTERFACE)
target_compile_features(quiltbox_options INTERFACE cxx_std_17)
target_compile_options(quiltbox_options INTERFACE
    -Wall -Wextra -Werror
    # Every narrow literal is the program's own Shift-JIS bytes, on both platforms.
    -fexec-charset=CP932)

if(WIN32)
    # mingw's own printf family: the same correctly rounded "%f" output as glibc, so both builds write equal bytes.
    target_compile_definitions(quiltbox_options INTERFACE __USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

if(QUILTBOX_SANITIZE)
    target_compile_options(quiltbox_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(quiltbox_options INTERFACE -fsanitize=address,undefined)
endif()
