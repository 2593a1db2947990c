# How this project's own targets are built: warnings and (with GLNAMELIST_SANITIZE) the
# sanitizers for its own code only, never for a parent project's nor for a host that links
# the installed package. C++20 comes with the contracts target to everyone who links it.
# GLNAMELIST_SANITIZE=thread builds with ThreadSanitizer instead; GLNAMELIST_SANITIZER_FLAGS
# are the flags a host built against this build needs as well.
set(GLNAMELIST_OWN_OPTIONS -Wall -Wextra -Wpedantic)
# GCC 12's optimiser reports a copy overlapping itself in "text" + std::string where it
# inlines one (a known false -Wrestrict of that compiler); an optimised build warned at eight.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND GLNAMELIST_OWN_OPTIONS -Wno-restrict)
endif()
set(GLNAMELIST_SANITIZER_FLAGS)
if(GLNAMELIST_SANITIZE STREQUAL "thread")
  set(GLNAMELIST_SANITIZER_FLAGS -fsanitize=thread)
  list(APPEND GLNAMELIST_OWN_OPTIONS ${GLNAMELIST_SANITIZER_FLAGS} -fno-omit-frame-pointer)
elseif(GLNAMELIST_SANITIZE)
  set(GLNAMELIST_SANITIZER_FLAGS -fsanitize=address,undefined)
  list(APPEND GLNAMELIST_OWN_OPTIONS ${GLNAMELIST_SANITIZER_FLAGS} -fno-omit-frame-pointer
       -fno-sanitize-recover=undefined)
endif()
set(GLNAMELIST_OWN_LINK_OPTIONS ${GLNAMELIST_SANITIZER_FLAGS})

# glnamelist_own(TARGET...): builds each target with this project's flags, and finds the
# tree's internal headers from its root (a host finds only include/). Debug and sanitizer
# builds check every index into a standard container or string view.
add_library(glnamelist_tree INTERFACE)
target_include_directories(glnamelist_tree INTERFACE ${PROJECT_SOURCE_DIR}/include
                           ${PROJECT_SOURCE_DIR})
function(glnamelist_own)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:glnamelist_tree>)
    target_compile_options(${target} PRIVATE ${GLNAMELIST_OWN_OPTIONS})
    target_compile_definitions(${target} PRIVATE
      $<$<OR:$<CONFIG:Debug>,$<BOOL:${GLNAMELIST_SANITIZE}>>:_GLIBCXX_ASSERTIONS>)
    target_link_options(${target} PRIVATE ${GLNAMELIST_OWN_LINK_OPTIONS})
  endforeach()
endfunction()

# glnamelist_library(PART SOURCES...): the library glnamelist_PART, with the alias
# glnamelist::PART, this project's flags and the project's version (the major version as the
# SOVERSION of a shared build). Its symbols are hidden but for what include/ marks with
# GLNAMELIST_API and what another of the libraries links (GLNAMELIST_INTERNAL,
# contracts/api.h). Installed, a shared library finds the others beside it ($ORIGIN).
function(glnamelist_library part)
  add_library(glnamelist_${part} ${ARGN})
  add_library(glnamelist::${part} ALIAS glnamelist_${part})
  set_target_properties(glnamelist_${part} PROPERTIES EXPORT_NAME ${part}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON INSTALL_RPATH "$ORIGIN")
  glnamelist_own(glnamelist_${part})
endfunction()
