# nlohmann-json (Debian's nlohmann-json3-dev), for both builds through one target, fwu_json. The
# cross compiler must not see the host's /usr/include, whose C library headers would stand in
# for mingw-w64's: it gets a folder of the build tree that holds only a link to the library's
# headers. Imported, as the library is not built here: it takes no build options.
add_library(fwu_json INTERFACE IMPORTED GLOBAL)
if(CMAKE_CROSSCOMPILING)
    find_path(FWU_NLOHMANN_JSON_ROOT nlohmann/json.hpp PATHS /usr/include
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT FWU_NLOHMANN_JSON_ROOT)
        message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
    endif()
    set(json_include ${CMAKE_BINARY_DIR}/third_party/include)
    file(MAKE_DIRECTORY ${json_include})
    file(CREATE_LINK ${FWU_NLOHMANN_JSON_ROOT}/nlohmann ${json_include}/nlohmann SYMBOLIC)
    target_include_directories(fwu_json SYSTEM INTERFACE ${json_include})
else()
    find_package(nlohmann_json 3.10 REQUIRED)
    target_link_libraries(fwu_json INTERFACE nlohmann_json::nlohmann_json)
endif()
