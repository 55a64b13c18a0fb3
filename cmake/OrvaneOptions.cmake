# Compiler settings shared by every Orvane target, for MinGW-w64, MSVC and the native Linux build.

option(ORVANE_BUILD_TESTS "Build the tests" ON)
option(ORVANE_SANITIZE "Build with AddressSanitizer and UBSan (native builds)" OFF)
option(ORVANE_RELEASE "Build the released programs: stripped, no build paths in them" OFF)
set(ORVANE_GOOGLETEST_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources built with the project when cross-compiling")

if(ORVANE_SANITIZE AND NOT MSVC)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # Every Windows call is the wide form; texts are converted at the boundary.
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                            WINVER=0x0601)
    # The project version, for the VERSIONINFO in ui/resources/orvane.rc; compile definitions
    # reach the resource compiler as well as the C++ compiler.
    add_compile_definitions(ORVANE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
                            ORVANE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
                            ORVANE_VERSION_PATCH=${PROJECT_VERSION_PATCH})
    if(MINGW)
        # One self-contained executable: no compiler runtime DLLs beside it. No link time in the
        # PE header, so that the same sources give the same bytes.
        add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
    endif()
    if(MSVC)
        add_compile_options(/utf-8)
        set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    endif()
endif()

# A release is built the same byte for byte wherever the tree and its build folder lie: source and
# build paths are written relative, and the symbols and the runtime's debugging sections go.
if(ORVANE_RELEASE AND NOT MSVC)
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
    add_link_options(-s)
endif()

# Warnings are errors in Orvane's own code (not in GoogleTest's).
function(orvane_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                                                 -Wno-missing-field-initializers)
    endif()
endfunction()
