# The options every target of the tree is built with, carried by one interface library that each
# target links (libraries, programs, tests, the test-only Windows programs): warnings, the
# sanitizers, the Windows hardening and reproducibility flags, and the include root.
add_library(fwu_build_options INTERFACE)

# C++20 as a requirement of every target that links the options, not only a default of this
# directory: CMake then passes the standard's flag to each of them wherever it is added.
target_compile_features(fwu_build_options INTERFACE cxx_std_20)

target_compile_options(fwu_build_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast>)
if(FWU_WARNINGS_AS_ERRORS)
    target_compile_options(fwu_build_options INTERFACE -Werror)
endif()
if(FWU_SANITIZE)
    target_compile_options(fwu_build_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(fwu_build_options INTERFACE -fsanitize=address,undefined)
endif()
if(FWU_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "FWU_FUZZ needs clang (libFuzzer)")
    endif()
    # Every library is instrumented for coverage; only the harnesses link libFuzzer's main.
    target_compile_options(fwu_build_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=all)
    target_link_options(fwu_build_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
    # Every Windows object of user mode: the stack protector (its guard: windows/stack_guard.cpp)
    # and the checked copies of _FORTIFY_SOURCE (libssp's, linked statically). A kernel-mode
    # target (FWU_KERNEL_MODE set) has no C runtime for them.
    set(user_mode "$<NOT:$<BOOL:$<TARGET_PROPERTY:FWU_KERNEL_MODE>>>")
    target_compile_options(fwu_build_options INTERFACE
        "$<${user_mode}:-fstack-protector-strong;-D_FORTIFY_SOURCE=2>")
    # Reproducible: no build path in the objects, no link time in the PE header.
    target_compile_options(fwu_build_options INTERFACE
        -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
    target_link_options(fwu_build_options INTERFACE -Wl,--no-insert-timestamp)
endif()

# Every source includes from the top of the tree ("platform/text.h").
target_include_directories(fwu_build_options INTERFACE ${CMAKE_SOURCE_DIR})

# Fails the configure step if a library or program of the tree does not link fwu_build_options.
function(fwu_check_build_options)
    set(pending ${CMAKE_SOURCE_DIR})
    set(missing "")
    while(pending)
        list(POP_FRONT pending dir)
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        list(APPEND pending ${subdirs})
        get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target ${targets})
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "UTILITY" OR target STREQUAL "fwu_build_options")
                continue()
            endif()
            get_target_property(links ${target} LINK_LIBRARIES)
            if(NOT "fwu_build_options" IN_LIST links)
                list(APPEND missing ${target})
            endif()
        endforeach()
    endwhile()
    if(missing)
        list(JOIN missing ", " text)
        message(FATAL_ERROR "these targets do not link fwu_build_options: ${text}")
    endif()
endfunction()
