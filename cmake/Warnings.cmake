# One interface target carries the warning flags every first-party target uses.
add_library(shelfwatch_warnings INTERFACE)
target_compile_options(shelfwatch_warnings INTERFACE -Wall -Wextra -Wpedantic
                       -Wnon-virtual-dtor -Wno-missing-field-initializers)
# -Wshadow=local is GCC's spelling; clang (the fuzz build) has no such option.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(shelfwatch_warnings INTERFACE -Wshadow=local)
endif()
# GCC 12 reports false -Wrestrict overlaps inside std::string at -O2/-O3 (its bug
# 105329), which would fail every optimised build under -Werror.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(shelfwatch_warnings INTERFACE -Wno-restrict)
endif()
if(SHELFWATCH_WERROR)
  target_compile_options(shelfwatch_warnings INTERFACE -Werror)
endif()
