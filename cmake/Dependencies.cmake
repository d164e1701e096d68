# Imported targets for the cross-built libcurl and GoogleTest (scripts/setup.sh makes them)
# and Debian's mingw zlib and stb_image.
set(_curl "${ZORVA_DEPS}/curl")
if(NOT EXISTS "${_curl}/lib/libcurl.a")
  message(FATAL_ERROR "libcurl not found under ${_curl}; run scripts/setup.sh")
endif()
add_library(zorva_zlib INTERFACE)
target_link_libraries(zorva_zlib INTERFACE /usr/x86_64-w64-mingw32/lib/libz.a)

add_library(zorva_curl INTERFACE)
target_include_directories(zorva_curl SYSTEM INTERFACE "${_curl}/include")
target_link_libraries(zorva_curl INTERFACE "${_curl}/lib/libcurl.a" zorva_zlib ws2_32 crypt32 bcrypt
  secur32 advapi32 normaliz wldap32)

add_library(zorva_stb INTERFACE)
target_include_directories(zorva_stb SYSTEM INTERFACE /usr/include/stb)

set(ZORVA_CURL_EXE "${_curl}/bin/curl.exe")

if(ZORVA_TESTS)
  set(_gtest "${ZORVA_DEPS}/gtest")
  add_library(zorva_gtest INTERFACE)
  target_include_directories(zorva_gtest SYSTEM INTERFACE "${_gtest}/include")
  target_link_libraries(zorva_gtest INTERFACE "${_gtest}/lib/libgtest.a")
endif()
