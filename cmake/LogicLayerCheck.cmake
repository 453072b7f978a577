# Fails when a logic source includes a GTK, GLib, gtkmm or WebKit header.
# Only hosts/gtk, hosts/webkit, corvane/gtk and carrowel/gtk may do so.
# Usable from CMake (zor_check_logic_layer) and as a script:
#   cmake -DZOR_SOURCE_DIR=<dir> -P LogicLayerCheck.cmake
set(_ZOR_GUI_INCLUDE_RE "#[ \t]*include[ \t]*[<\"](gtk|gtkmm|gdk|gdkmm|glib|glibmm|gio|giomm|gobject|webkit|jsc|cairo|cairomm|pango|pangomm|libsoup)[-/.0-9a-z]*[/.]")

function(zor_check_logic_layer src)
  file(GLOB_RECURSE _files
    ${src}/browser/*.h ${src}/browser/*.cpp
    ${src}/common/*.h ${src}/common/*.cpp
    ${src}/hosts/*.h ${src}/hosts/*.cpp
    ${src}/corvane/*.h ${src}/corvane/*.cpp
    ${src}/carrowel/*.h ${src}/carrowel/*.cpp
    ${src}/snavel/*.h ${src}/snavel/*.cpp)
  set(_bad "")
  foreach(f IN LISTS _files)
    if(f MATCHES "/hosts/gtk/|/hosts/webkit/|/corvane/gtk/|/carrowel/gtk/")
      continue()
    endif()
    file(STRINGS ${f} _hits REGEX "${_ZOR_GUI_INCLUDE_RE}")
    if(_hits)
      list(APPEND _bad "${f}: ${_hits}")
    endif()
  endforeach()
  if(_bad)
    string(REPLACE ";" "\n" _msg "${_bad}")
    message(FATAL_ERROR "Logic sources include toolkit or engine headers:\n${_msg}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND ZOR_SOURCE_DIR)
  zor_check_logic_layer(${ZOR_SOURCE_DIR})
  message(STATUS "logic layer clean")
endif()
