# platform/ includes no header of the folders that call it; the product's folders include no
# header of the simulator or the tests; Windows headers and _WIN32 appear only in
# platform/win32/, windows/ and the test-only Windows programs under Wine.
set(windows_header
    "#[ \t]*include[ \t]*<(windows|win[a-z0-9]*|setupapi|cfgmgr32|devpkey|devguid|initguid|ntdd[a-z]*|nvme|ntddk|wdm)\\.h>")
set(upper_header "#[ \t]*include[ \t]*\"(app|discovery|inbox|rst|model|sim)/")
# model/ holds the records and events that discovery, inbox and rst share: it includes only
# platform/; those three include nothing of the program above them.
set(above_model "#[ \t]*include[ \t]*\"(app|discovery|image|inbox|rst|inspect)/")
set(above_devices "#[ \t]*include[ \t]*\"(app|inspect)/")
set(product "^(app|discovery|image|inbox|model|rst|inspect|platform|windows)/")
set(test_header "#[ \t]*include[ \t]*[\"<](\\.\\./)*(sim|tests)/")
set(windows_only "^(platform/win32|windows|tests/wine/win32|tests/wine/fixture)/")

# The folders of the tree, without the build trees.
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
list(FILTER folders EXCLUDE REGEX "^(build|out|\\..*)$")
set(sources "")
foreach(folder ${folders})
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
        ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.rc)
    list(APPEND sources ${found})
endforeach()
set(faults "")
foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "#[ \t]*(include|if)")
    foreach(line ${lines})
        if(source MATCHES "^platform/" AND line MATCHES "${upper_header}")
            list(APPEND faults "${source}: ${line}")
        endif()
        if(source MATCHES "^model/" AND line MATCHES "${above_model}")
            list(APPEND faults "${source}: ${line}")
        endif()
        if(source MATCHES "^(discovery|inbox|rst)/" AND line MATCHES "${above_devices}")
            list(APPEND faults "${source}: ${line}")
        endif()
        if(source MATCHES "${product}" AND line MATCHES "${test_header}")
            list(APPEND faults "${source}: ${line}")
        endif()
        if(NOT source MATCHES "${windows_only}" AND
           (line MATCHES "${windows_header}" OR line MATCHES "_WIN32"))
            list(APPEND faults "${source}: ${line}")
        endif()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "include rules broken:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files follow the include rules")
