# nlohmann-json (Debian's nlohmann-json3-dev), header-only, as the target
# nlohmann_json::nlohmann_json. The cross build does not search /usr/include and
# must not (its headers are the host's): it gets a folder of its own that holds
# only the library's headers.
if(CMAKE_CROSSCOMPILING)
  find_path(TRACKCTL_NLOHMANN_JSON_PARENT nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
            REQUIRED)
  set(nlohmann_json_headers ${CMAKE_BINARY_DIR}/nlohmann_json/include)
  file(MAKE_DIRECTORY ${nlohmann_json_headers})
  file(CREATE_LINK ${TRACKCTL_NLOHMANN_JSON_PARENT}/nlohmann ${nlohmann_json_headers}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${nlohmann_json_headers})
else()
  find_package(nlohmann_json 3.11 REQUIRED CONFIG)
endif()
