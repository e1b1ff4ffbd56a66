# nlohmann-json, header-only, from the system's package. The cross compiler
# must not search the host's /usr/include as a whole, so the build tree gets
# a folder holding just the library's own header folder.
find_path(QUILL_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUILL_JSON_INCLUDE_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/setup.sh)")
endif()
set(QUILL_JSON_ONLY_DIR ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${QUILL_JSON_ONLY_DIR})
file(CREATE_LINK ${QUILL_JSON_INCLUDE_DIR}/nlohmann ${QUILL_JSON_ONLY_DIR}/nlohmann COPY_ON_ERROR SYMBOLIC)
add_library(quill_json INTERFACE)
target_include_directories(quill_json SYSTEM INTERFACE ${QUILL_JSON_ONLY_DIR})
