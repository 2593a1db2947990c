# How this project's own targets are built: warnings and (with GLNAMELIST_SANITIZE) the
# sanitizers for its own code only, never for a parent project's nor for a host that links
# the installed package. C++20 comes with the contracts target to everyone who links it.
set(GLNAMELIST_OWN_OPTIONS -Wall -Wextra -Wpedantic)
set(GLNAMELIST_OWN_LINK_OPTIONS)
if(GLNAMELIST_SANITIZE)
  list(APPEND GLNAMELIST_OWN_OPTIONS
       -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  list(APPEND GLNAMELIST_OWN_LINK_OPTIONS -fsanitize=address,undefined)
endif()

# glnamelist_own(TARGET...): builds each target with this project's flags. Debug and
# sanitizer builds check every index into a standard container or string view.
function(glnamelist_own)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE ${GLNAMELIST_OWN_OPTIONS})
    target_compile_definitions(${target} PRIVATE
      $<$<OR:$<CONFIG:Debug>,$<BOOL:${GLNAMELIST_SANITIZE}>>:_GLIBCXX_ASSERTIONS>)
    target_link_options(${target} PRIVATE ${GLNAMELIST_OWN_LINK_OPTIONS})
  endforeach()
endfunction()

# glnamelist_library(PART SOURCES...): the library glnamelist_PART, with the alias
# glnamelist::PART and this project's flags.
function(glnamelist_library part)
  add_library(glnamelist_${part} ${ARGN})
  add_library(glnamelist::${part} ALIAS glnamelist_${part})
  set_target_properties(glnamelist_${part} PROPERTIES EXPORT_NAME ${part})
  glnamelist_own(glnamelist_${part})
endfunction()
