# Builds the Windows exe a second time from the same tree, in a fresh directory of another path,
# with the mingw preset's settings, and compares it byte for byte with the exe of build/mingw.
# -DSOURCE_DIR=<tree> -DWORK_DIR=<fresh directory> -DEXE=<the exe of the mingw build>
if(NOT EXISTS "${EXE}")
    message(FATAL_ERROR "${EXE} is missing: build the Windows exe first (cmake --preset mingw && cmake --build --preset mingw)")
endif()
# The same carried image as the first build.
get_filename_component(first_tree "${EXE}" DIRECTORY)
get_filename_component(first_tree "${first_tree}/.." ABSOLUTE)
file(STRINGS "${first_tree}/CMakeCache.txt" image REGEX "^FWU_FIRMWARE_IMAGE:")
string(REGEX REPLACE "^[^=]*=" "" image "${image}")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(second_tree "${WORK_DIR}/second-tree")
execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${second_tree} --preset mingw
            "-DFWU_FIRMWARE_IMAGE=${image}"
    OUTPUT_FILE "${WORK_DIR}/configure.log" ERROR_FILE "${WORK_DIR}/configure.log"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the second configure failed; see ${WORK_DIR}/configure.log")
endif()
execute_process(
    COMMAND ${CMAKE_COMMAND} --build ${second_tree} --target VELKORAFWUpdateTRVX208K -j2
    OUTPUT_FILE "${WORK_DIR}/build.log" ERROR_FILE "${WORK_DIR}/build.log"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the second build failed; see ${WORK_DIR}/build.log")
endif()

set(second "${second_tree}/windows/VELKORAFWUpdateTRVX208K.exe")
file(SHA256 "${EXE}" first_hash)
file(SHA256 "${second}" second_hash)
message(STATUS "${EXE}: sha256 ${first_hash}")
message(STATUS "${second}: sha256 ${second_hash}")
if(NOT first_hash STREQUAL second_hash)
    execute_process(COMMAND cmp -l "${EXE}" "${second}" OUTPUT_VARIABLE differences)
    string(SUBSTRING "${differences}" 0 600 differences)
    message(FATAL_ERROR "the two builds differ (offset, bytes in octal):\n${differences}")
endif()
message(STATUS "the two builds are byte-identical")
