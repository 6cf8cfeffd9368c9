# Shared build settings: every target links zp_options.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)

add_library(zp_options INTERFACE)
# Text literals are GBK at run time. The execution set is named GB18030, GBK's superset, which
# encodes every GBK character with the same bytes but can also encode the few characters GBK
# lacks that the standard library's own headers use (<chrono> prints "\u00b5s").
target_compile_options(zp_options INTERFACE -Wall -Wextra -finput-charset=UTF-8)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(zp_options INTERFACE -fexec-charset=GB18030)
elseif(NOT ZP_FUZZ)
  message(FATAL_ERROR "the program's texts are GBK: build it with g++ (clang only for ZP_FUZZ)")
endif()
target_include_directories(zp_options INTERFACE ${PROJECT_SOURCE_DIR})

if(ZP_SANITIZE)
  target_compile_options(zp_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zp_options INTERFACE -fsanitize=address,undefined)
endif()
if(ZP_FUZZ)
  # clang keeps string literals in UTF-8 (it has no GBK execution character set): only the
  # texts of log lines differ from the real build.
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZP_FUZZ needs clang (scripts/build fuzz)")
  endif()
  target_compile_options(zp_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zp_options INTERFACE -fsanitize=address,undefined)
endif()
if(ZP_TSAN)
  target_compile_options(zp_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(zp_options INTERFACE -fsanitize=thread)
endif()

# zp_library(NAME DIR...): a static (or with ZP_SHARED_LIBS, shared) library of every .cpp in
# the folders.
# A folder without sources yet gives an interface library, so dependants link it all the same.
function(zp_library name)
  set(sources)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    if(ZP_SHARED_LIBS)
      add_library(${name} SHARED ${sources})
    else()
      add_library(${name} STATIC ${sources})
    endif()
    target_link_libraries(${name} PUBLIC zp_options)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE zp_options)
  endif()
endfunction()

# zp_link(NAME DEPS...): links a zp_library to its dependencies whatever its kind.
function(zp_link name)
  get_target_property(kind ${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()
