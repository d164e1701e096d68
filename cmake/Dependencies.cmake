# Imported targets for the cross-built libcurl and GoogleTest (scripts/setup.sh makes them)
# and Debian's mingw zlib and stb_image.
# The libcurl built for the options of this checkout (worktrees share the cache, and the link
# "curl" in it names whichever build ran last).
set(_build_curl "${CMAKE_SOURCE_DIR}/scripts/build-curl.sh")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_build_curl}")
execute_process(COMMAND bash "${_build_curl}" "${ZORVA_DEPS}" --print-prefix
  OUTPUT_VARIABLE _curl OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _curl_result)
if(NOT _curl_result EQUAL 0)
  message(FATAL_ERROR "scripts/build-curl.sh cannot name the libcurl build")
endif()
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

set(ZORVA_CURL_EXE "${_curl}/bin/curl.exe" CACHE INTERNAL "curl.exe of the same libcurl build, for the benchmarks")

if(ZORVA_TESTS)
  set(_gtest "${ZORVA_DEPS}/gtest")
  add_library(zorva_gtest INTERFACE)
  target_include_directories(zorva_gtest SYSTEM INTERFACE "${_gtest}/include")
  target_link_libraries(zorva_gtest INTERFACE "${_gtest}/lib/libgtest.a")
endif()
