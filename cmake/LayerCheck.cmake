# The layer rules over our own sources, checked at configure time (zor_check_layers) and by
# ctest as a script:
#   cmake -DZOR_SOURCE_DIR=<dir> -P LayerCheck.cmake
#
# Toolkit: logic includes no GTK, GLib, gtkmm or WebKit header. Everything under hosts/,
# corvane/, carrowel/, snavel/, browser/ and common/ is logic except hosts/gtk, hosts/webkit,
# corvane/gtk, carrowel/gtk and snavel/gtk.
#
# Direction, over quoted includes of our folders (a path relative to the including file
# counts too):
#   common/            only common/
#   hosts/ (all of it) only hosts/ and common/
#   browser/           only browser/, hosts/ interfaces (hosts/*.h), hosts/toolbar, common/
#   corvane/, carrowel/ logic
#                      only common/, hosts/ interfaces, hosts/toolbar and its own logic
#   corvane/gtk, carrowel/gtk
#                      the same, plus hosts/gtk and its own gtk/
#   snavel/            only snavel/ and common/
#   snavel/gtk         the same, plus its own gtk/
#   corvane/library.cpp, carrowel/library.cpp
#                      a library's entry point builds it: its logic, its gtk/ view, hosts/gtk
#   app/               anything (it is the composition root; not scanned)
# tests/, bench/ and data/ are not checked.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# Files allowed to break the direction rule for a while: their breaches are only warnings.
# Empty, and it stays so: a move that cannot be done whole is not done.
set(ZOR_LAYER_PENDING)

set(_ZOR_GUI_HEADER_RE "^(gtk|gtkmm|gdk|gdkmm|glib|glibmm|gio|giomm|gobject|webkit|jsc|cairo|cairomm|pango|pangomm|libsoup)[-/.0-9a-z]*[/.]")
set(_ZOR_OUR_FOLDERS_RE "^(app|bench|browser|carrowel|common|corvane|data|hosts|snavel|tests)/")
set(_ZOR_INCLUDE_RE "(^|\n)[ \t]*#[ \t]*include[ \t]*([<\"])([^\">\n]*)[\">]")

# The layer a project-relative path belongs to: the unit the rules speak of.
function(_zor_layer_of path out)
  # hosts/ interfaces are "hosts"; its subfolders and the libraries' gtk/ are layers of their own.
  if(path MATCHES "^(corvane|carrowel)/library\\.cpp$")
    set(layer "${CMAKE_MATCH_1}/library")
  elseif(path MATCHES "^(hosts/[^/]+|corvane/gtk|carrowel/gtk|snavel/gtk)/")
    set(layer "${CMAKE_MATCH_1}")
  elseif(path MATCHES "^([^/]+)/")
    set(layer "${CMAKE_MATCH_1}")
  else()
    set(layer "")
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

# Which layers a layer may include (a regular expression over layer names), and the rule's
# text for the message.
function(_zor_layer_rule layer allowed_out text_out)
  if(layer STREQUAL "common")
    set(allowed "common")
    set(text "common/ includes nothing of ours outside common/")
  elseif(layer MATCHES "^hosts")
    set(allowed "hosts|hosts/.*|common")
    set(text "hosts/ includes only hosts/ and common/")
  elseif(layer STREQUAL "browser")
    set(allowed "browser|hosts|hosts/toolbar|common")
    set(text "browser/ includes only browser/, hosts/ interfaces, hosts/toolbar and common/")
  elseif(layer MATCHES "^(corvane|carrowel)$")
    set(allowed "${layer}|hosts|hosts/toolbar|common")
    set(text "${layer}/ logic includes only ${layer}/ logic, hosts/ interfaces, hosts/toolbar and common/")
  elseif(layer MATCHES "^(corvane|carrowel)/gtk$")
    set(own ${CMAKE_MATCH_1})
    set(allowed "${own}|${own}/gtk|hosts|hosts/toolbar|hosts/gtk|common")
    set(text "${layer}/ includes only ${own}/, hosts/ interfaces, hosts/toolbar, hosts/gtk and common/")
  elseif(layer MATCHES "^(corvane|carrowel)/library$")
    set(own ${CMAKE_MATCH_1})
    set(allowed "${own}|${own}/gtk|hosts|hosts/toolbar|hosts/gtk|common")
    set(text "${own}/library.cpp includes only ${own}/, hosts/ and common/")
  elseif(layer STREQUAL "snavel")
    set(allowed "snavel|common")
    set(text "snavel/ includes only snavel/ and common/")
  elseif(layer STREQUAL "snavel/gtk")
    set(allowed "snavel|snavel/gtk|common")
    set(text "snavel/gtk/ includes only snavel/, its gtk/ and common/")
  else()
    set(allowed ".*")
    set(text "")
  endif()
  set(${allowed_out} "^(${allowed})$" PARENT_SCOPE)
  set(${text_out} "${text}" PARENT_SCOPE)
endfunction()

# zor_check_layers(<source dir> [pending files...]): stops with every breach as file:line.
function(zor_check_layers src)
  set(pending ${ARGN})
  file(GLOB_RECURSE files RELATIVE ${src}
    ${src}/browser/* ${src}/common/* ${src}/hosts/* ${src}/corvane/* ${src}/carrowel/*
    ${src}/snavel/*)
  list(FILTER files INCLUDE REGEX "\\.(h|hpp|c|cc|cpp)$")
  list(SORT files)
  set(broken "")
  set(waiting "")
  foreach(rel IN LISTS files)
    _zor_layer_of("${rel}" layer)
    _zor_layer_rule("${layer}" allowed rule)
    set(logic TRUE)
    if(layer MATCHES "^(hosts|corvane|carrowel|snavel)/(gtk|webkit)$")
      set(logic FALSE)
    endif()
    get_filename_component(dir ${rel} DIRECTORY)

    file(READ ${src}/${rel} rest)
    set(line 1)
    while(rest MATCHES "${_ZOR_INCLUDE_RE}")
      set(match "${CMAKE_MATCH_0}")
      set(delim "${CMAKE_MATCH_2}")
      set(inc "${CMAKE_MATCH_3}")
      string(FIND "${rest}" "${match}" at)
      string(LENGTH "${match}" len)
      math(EXPR end "${at} + ${len}")
      string(SUBSTRING "${rest}" 0 ${end} before)
      string(SUBSTRING "${rest}" ${end} -1 rest)
      string(REGEX REPLACE "[^\n]" "" newlines "${before}")
      string(LENGTH "${newlines}" n)
      math(EXPR line "${line} + ${n}")
      set(where "${rel}:${line}")

      if(delim STREQUAL "<")
        set(shown "<${inc}>")
      else()
        set(shown "\"${inc}\"")
      endif()
      if(logic AND inc MATCHES "${_ZOR_GUI_HEADER_RE}")
        list(APPEND broken "${where}: includes ${shown}: logic includes no GTK or WebKit header")
      endif()
      if(NOT delim STREQUAL "\"")
        continue()
      endif()
      # The compiler looks next to the including file first, so "../x/y.h" is ours too.
      set(target "")
      get_filename_component(near "${src}/${dir}/${inc}" ABSOLUTE)
      if(EXISTS "${near}" AND NOT IS_DIRECTORY "${near}")
        file(RELATIVE_PATH near_rel ${src} "${near}")
        if(NOT near_rel MATCHES "^\\.\\./")
          set(target "${near_rel}")
        endif()
      endif()
      if(NOT target AND inc MATCHES "${_ZOR_OUR_FOLDERS_RE}")
        set(target "${inc}")
      endif()
      if(NOT target)
        continue()
      endif()
      _zor_layer_of("${target}" target_layer)
      if(NOT target_layer MATCHES "${allowed}")
        set(breach "${where}: includes ${shown}: ${rule}")
        if(rel IN_LIST pending)
          list(APPEND waiting "${breach}")
        else()
          list(APPEND broken "${breach}")
        endif()
      endif()
    endwhile()
  endforeach()

  foreach(p IN LISTS pending)
    if(NOT EXISTS ${src}/${p})
      message(WARNING "ZOR_LAYER_PENDING names ${p}, which no longer exists; remove it")
    else()
      set(still FALSE)
      foreach(w IN LISTS waiting)
        string(FIND "${w}" "${p}:" at)
        if(at EQUAL 0)
          set(still TRUE)
        endif()
      endforeach()
      if(NOT still)
        message(WARNING "ZOR_LAYER_PENDING names ${p}, which keeps the rules now; remove it")
      endif()
    endif()
  endforeach()
  if(waiting)
    string(REPLACE ";" "\n  " text "  ${waiting}")
    message(WARNING "Include direction still broken by files in ZOR_LAYER_PENDING:\n${text}")
  endif()
  if(broken)
    string(REPLACE ";" "\n  " text "  ${broken}")
    message(FATAL_ERROR "Layer rules broken:\n${text}")
  endif()
endfunction()

# Script mode. ZOR_LAYER_FIXTURE=ON checks a test tree against ZOR_LAYER_FIXTURE_PENDING
# instead of the real list.
if(CMAKE_SCRIPT_MODE_FILE AND ZOR_SOURCE_DIR)
  if(ZOR_LAYER_FIXTURE)
    zor_check_layers(${ZOR_SOURCE_DIR} ${ZOR_LAYER_FIXTURE_PENDING})
  else()
    zor_check_layers(${ZOR_SOURCE_DIR} ${ZOR_LAYER_PENDING})
  endif()
  message(STATUS "layers clean")
endif()
