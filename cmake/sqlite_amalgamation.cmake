# SQLite compiled from its amalgamation (scripts/sqlite-amalgamation.sh makes
# it from Debian's source package) into a static library that stands in for the
# system's libsqlite3: the Windows build has none to link.
set(sqlite_dir "${TRACKCTL_SQLITE_AMALGAMATION}")
if(NOT EXISTS "${sqlite_dir}/sqlite3.c" OR NOT EXISTS "${sqlite_dir}/sqlite3.h" OR NOT EXISTS "${sqlite_dir}/VERSION")
  message(FATAL_ERROR "TRACKCTL_SQLITE_AMALGAMATION: no SQLite amalgamation in ${sqlite_dir}; "
                      "make it with: scripts/sqlite-amalgamation.sh ${sqlite_dir}")
endif()
file(STRINGS "${sqlite_dir}/VERSION" SQLite3_DEBIAN_VERSION LIMIT_COUNT 1)

enable_language(C)
if(TRACKCTL_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${TRACKCTL_CCACHE})
endif()
add_library(sqlite3_amalgamation STATIC "${sqlite_dir}/sqlite3.c")
target_include_directories(sqlite3_amalgamation SYSTEM PUBLIC "${sqlite_dir}")
target_compile_definitions(sqlite3_amalgamation PRIVATE
  SQLITE_THREADSAFE=1              # Debian's choice: any thread may use any connection
  SQLITE_ENABLE_RTREE=1            # the archive's spatial index is an R-tree
  SQLITE_MAX_VARIABLE_NUMBER=250000  # as in Debian's library: a statement binds as many values as on Linux
  SQLITE_OMIT_LOAD_EXTENSION       # no extension is ever loaded from a file
  SQLITE_DQS=0                     # "text" is an identifier, never a string
  SQLITE_DEFAULT_MEMSTATUS=0)      # no memory statistics kept behind a lock
# SQLite's own code, as its authors keep it: the project's warnings are not for it.
target_compile_options(sqlite3_amalgamation PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS sqlite3_amalgamation)
set(SQLite3_FOUND TRUE)
message(STATUS "SQLite ${SQLite3_DEBIAN_VERSION} (Debian's source) compiled in from ${sqlite_dir}")
