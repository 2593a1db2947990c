# The wide-character curses library as the imported target glnamelist::curses, made from
# what find_package(Curses) with CURSES_NEED_WIDE found (FindCurses gives variables only).
if(NOT TARGET glnamelist::curses)
  add_library(glnamelist::curses INTERFACE IMPORTED)
  set_target_properties(glnamelist::curses PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CURSES_INCLUDE_DIRS}"
    INTERFACE_COMPILE_OPTIONS "${CURSES_CFLAGS}"
    INTERFACE_LINK_LIBRARIES "${CURSES_LIBRARIES}")
endif()
