# libpq and OpenSSL cross-built as static libraries (scripts/mingw-libpq.sh makes
# them from Debian's source packages) stand in for the system's libpq: the
# PostgreSQL backend is linked into trackctl.exe.
set(libpq_dir "${TRACKCTL_MINGW_LIBPQ}")
foreach(file include/libpq-fe.h include/openssl/ssl.h lib/libpq.a lib/libpgcommon_shlib.a lib/libpgport_shlib.a
             lib/libssl.a lib/libcrypto.a VERSION)
  if(NOT EXISTS "${libpq_dir}/${file}")
    message(FATAL_ERROR "TRACKCTL_MINGW_LIBPQ: no ${file} in ${libpq_dir}; "
                        "make it with: scripts/mingw-libpq.sh ${libpq_dir}")
  endif()
endforeach()
file(STRINGS "${libpq_dir}/VERSION" PostgreSQL_DEBIAN_VERSION LIMIT_COUNT 1)

add_library(PostgreSQL::PostgreSQL INTERFACE IMPORTED)
target_include_directories(PostgreSQL::PostgreSQL SYSTEM INTERFACE "${libpq_dir}/include")
# In the order the linker needs them: libpq before its helpers, libssl before
# libcrypto, then the Windows libraries they call (sockets, SSPI, the folders,
# the certificate store).
target_link_libraries(PostgreSQL::PostgreSQL INTERFACE
  "${libpq_dir}/lib/libpq.a" "${libpq_dir}/lib/libpgcommon_shlib.a" "${libpq_dir}/lib/libpgport_shlib.a"
  "${libpq_dir}/lib/libssl.a" "${libpq_dir}/lib/libcrypto.a"
  ws2_32 secur32 shell32 crypt32 advapi32 user32 gdi32)
set(PostgreSQL_FOUND TRUE)
message(STATUS "libpq and OpenSSL (${PostgreSQL_DEBIAN_VERSION}, Debian's sources) linked in from ${libpq_dir}")
