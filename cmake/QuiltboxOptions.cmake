# Compile options for the project's own targets. Third-party code (GoogleTest) is built without them.
option(QUILTBOX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUILTBOX_FUZZ "Build only the core and the libFuzzer targets of tests/fuzz (clang), instrumented for fuzzing" OFF)

add_library(quiltbox_options INTERFACE)
target_compile_features(quiltbox_options INTERFACE cxx_std_17)
target_compile_options(quiltbox_options INTERFACE
    -Wall -Wextra -Werror
    # Every narrow literal is the program's own Shift-JIS bytes, on both platforms.
    -fexec-charset=CP932)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Clang stores narrow literals in UTF-8 only and refuses -fexec-charset=CP932; this launcher gives it the same
    # Shift-JIS bytes that g++ stores (see the script).
    set(CMAKE_CXX_COMPILER_LAUNCHER ${PROJECT_SOURCE_DIR}/scripts/clang-cp932.py)
endif()

if(WIN32)
    # mingw's own printf family: the same correctly rounded "%f" output as glibc, so both builds write equal bytes.
    target_compile_definitions(quiltbox_options INTERFACE __USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

if(QUILTBOX_SANITIZE)
    target_compile_options(quiltbox_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    # The standard library checks its own preconditions too (an index past a vector's end, std::clamp given a low
    # bound above the high one), which the sanitizers cannot see inside inlined library code.
    target_compile_definitions(quiltbox_options INTERFACE _GLIBCXX_ASSERTIONS)
    target_link_options(quiltbox_options INTERFACE -fsanitize=address,undefined)
endif()

if(QUILTBOX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "QUILTBOX_FUZZ needs clang++ (libFuzzer): use the fuzz preset")
    endif()
    # Coverage for libFuzzer in everything of ours; the fuzzer executables link the fuzzer's runtime themselves.
    target_compile_options(quiltbox_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(quiltbox_options INTERFACE -fsanitize=address,undefined)
endif()
