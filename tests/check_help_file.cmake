# The compiled help file holds every page the plug-in can open, and its viewer
# tabs are where the plug-in expects them.
#
#   cmake -DCHMLS=chmls -DHELP_FILE=Plumquist.chm -DEXPORT_TABLE=src/abi/export_table.h
#         -P check_help_file.cmake
#
# The pages the plug-in opens are "overview" and one page per entry of its
# names list, named by the topic naming rule (lower case; "@name" gives
# "f_name", "_name" gives "v_name", a command keeps its name). The names are
# read from the export table, so a name added there needs its page before
# this test passes again.
#
# The plug-in selects the viewer's tabs by position: 0 Contents, 1 Search,
# 2 Favorites. An index, a History tab, the advanced Search tab or a custom
# tab would add a tab and move the others, so the file must have none.

cmake_minimum_required(VERSION 3.20)

foreach(var CHMLS HELP_FILE EXPORT_TABLE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_help_file.cmake: ${var} is not set")
    endif()
endforeach()
if(NOT EXISTS ${HELP_FILE})
    message(FATAL_ERROR "no help file ${HELP_FILE}")
endif()

set(problems "")

# Runs chmls with the arguments and stores its standard output in out_var.
function(run_chmls out_var)
    execute_process(COMMAND ${CHMLS} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "chmls ${ARGN} failed (${status}): ${err}")
    endif()
    set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# The names list comes from the export table: a page per variable function
# (its export, f_name), internal variable (v_name) and command.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/export_table.cmake)
plum_read_export_table(${EXPORT_TABLE} table)
set(topics overview)
foreach(kind name IN ZIP_LISTS table_KINDS table_NAMES)
    if(kind STREQUAL "FUNCTION" OR kind STREQUAL "COMMAND")
        list(APPEND topics ${name})
    elseif(kind STREQUAL "VARIABLE")
        list(APPEND topics v${name})
    endif()
endforeach()

# The files in the help file, one "/name" a line.
run_chmls(listing -n list ${HELP_FILE})
string(REGEX MATCHALL "(^|\n)/[^\n]*" entries "${listing}")
set(files "")
foreach(entry ${entries})
    string(STRIP "${entry}" entry)
    list(APPEND files "${entry}")
endforeach()

# The window definition and the contents file it names.
run_chmls(windows printwindows ${HELP_FILE})
if(NOT windows MATCHES "navigation pane styles *: *([0-9A-Fa-f]+)")
    message(FATAL_ERROR "no window definition in ${HELP_FILE}:\n${windows}")
endif()
math(EXPR pane_style "0x${CMAKE_MATCH_1}")
string(REGEX MATCH "TOC File *: *([^ \n]*) \\(index" ignored "${windows}")
set(contents_file "${CMAKE_MATCH_1}")
string(REGEX MATCH "Index File *: *([^ \n]*) \\(index" ignored "${windows}")
set(index_file "${CMAKE_MATCH_1}")
string(REGEX MATCH "Default File *: *([^ \n]*) \\(index" ignored "${windows}")
set(default_file "${CMAKE_MATCH_1}")

if(contents_file STREQUAL "" OR NOT "/${contents_file}" IN_LIST files)
    list(APPEND problems "the window names no contents file that the help file holds (\"${contents_file}\")")
    set(contents "")
else()
    get_filename_component(work ${HELP_FILE} DIRECTORY)
    set(extracted ${work}/help-check-contents.hhc)
    run_chmls(ignored extract ${HELP_FILE} /${contents_file} ${extracted})
    file(READ ${extracted} contents)
    file(REMOVE ${extracted})
endif()
string(REGEX MATCHALL "<param name=\"Local\" value=\"[^\"#]*" locals "${contents}")
string(REPLACE "<param name=\"Local\" value=\"" "" locals "${locals}")

foreach(topic ${topics})
    if(NOT "/${topic}.html" IN_LIST files)
        list(APPEND problems "no page ${topic}.html")
    endif()
    if(NOT "${topic}.html" IN_LIST locals)
        list(APPEND problems "${topic}.html is not in the contents")
    endif()
endforeach()
foreach(local ${locals})
    if(NOT "/${local}" IN_LIST files)
        list(APPEND problems "the contents name ${local}, which the help file lacks")
    endif()
endforeach()

if(NOT default_file STREQUAL "overview.html")
    list(APPEND problems "the default topic is \"${default_file}\", not overview.html")
endif()

# Search needs the full-text index; no index file, no extra tabs.
if(NOT "/$FIftiMain" IN_LIST files)
    list(APPEND problems "no full-text search index ($FIftiMain)")
endif()
foreach(file ${files})
    if(file MATCHES "\\.hhk$")
        list(APPEND problems "an index file ${file}: it adds an Index tab before Search")
    endif()
endforeach()
if(NOT index_file STREQUAL "")
    list(APPEND problems "the window names an index file \"${index_file}\"")
endif()
foreach(tab "0x400;Search" "0x1000;Favorites")
    list(GET tab 0 bit)
    list(GET tab 1 label)
    math(EXPR set_bit "${pane_style} & ${bit}")
    if(set_bit EQUAL 0)
        list(APPEND problems "the window has no ${label} tab (navigation pane style lacks ${bit})")
    endif()
endforeach()
# History 0x800, advanced Search 0x20000, custom tabs 0x80000 to 0x8000000.
math(EXPR extra_tabs "${pane_style} & (0x800 | 0x20000 | 0xFF80000)")
if(NOT extra_tabs EQUAL 0)
    math(EXPR extra_tabs "${extra_tabs}" OUTPUT_FORMAT HEXADECIMAL)
    list(APPEND problems "the window has tabs that move Search or Favorites (style bits ${extra_tabs})")
endif()

list(LENGTH topics topic_count)
if(problems)
    string(REPLACE ";" "\n  " problems "${problems}")
    message(FATAL_ERROR "${HELP_FILE}:\n  ${problems}")
endif()
message("${HELP_FILE}: ${topic_count} pages (overview and ${names_text}), contents, full-text search, "
    "tabs Contents, Search, Favorites; no index")
