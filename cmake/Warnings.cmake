# One interface target carries the warning flags every first-party target uses.
add_library(shelfwatch_warnings INTERFACE)
target_compile_options(shelfwatch_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local
                       -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(SHELFWATCH_WERROR)
  target_compile_options(shelfwatch_warnings INTERFACE -Werror)
endif()
