# Warnings and sanitizers for the project's own targets, as usage requirements of one
# interface target rather than global flags, so a host's add_subdirectory() is not affected.
add_library(tarvel_compile_options INTERFACE)

target_compile_options(tarvel_compile_options INTERFACE -Wall -Wextra)
if(TARVEL_WERROR)
  target_compile_options(tarvel_compile_options INTERFACE -Werror)
endif()

if(TARVEL_SANITIZE STREQUAL "address")
  set(_tarvel_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(TARVEL_SANITIZE STREQUAL "thread")
  set(_tarvel_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT TARVEL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TARVEL_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_tarvel_san)
  # Sanitizers must cover every object of the process, so they apply to the whole build.
  add_compile_options(${_tarvel_san})
  add_link_options(${_tarvel_san})
endif()

# A fuzz build instruments the project's own code for coverage, so the fuzzers can steer into it.
if(TARVEL_FUZZ)
  target_compile_options(tarvel_compile_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
