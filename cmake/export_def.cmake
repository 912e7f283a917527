# Writes the module definition file of the plug-in DLL from the export table.
# Run at build time, after the plug-in's library is built:
#   cmake -DTABLE=... -DNM=... -DLIBRARY=... -DPOINTER_SIZE=4|8 -DOUTPUT=... -P export_def.cmake
#
# A row is exported when the library defines its symbol: names of the table
# that are not built yet stay in the names list but cannot be exported (the
# export test keeps the list of those). On 32-bit Windows the definitions
# are stdcall symbols, decorated with "@" and the argument bytes; the .def
# lists them so and the DLL is linked with --kill-at, which exports them
# undecorated. On 64-bit Windows there is no decoration: plain names.
include(${CMAKE_CURRENT_LIST_DIR}/export_table.cmake)
plum_read_export_table(${TABLE} EXPORT)

execute_process(COMMAND ${NM} -g --defined-only ${LIBRARY}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

set(text "EXPORTS\n")
list(LENGTH EXPORT_NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET EXPORT_NAMES ${i} name)
    list(GET EXPORT_BYTES ${i} bytes)
    if(POINTER_SIZE EQUAL 4)
        set(entry "${name}@${bytes}")
        set(symbol "_${entry}")
    else()
        set(entry "${name}")
        set(symbol "${name}")
    endif()
    string(REGEX MATCH " T ${symbol}\n" defined "${symbols}")
    if(defined)
        string(APPEND text "    ${entry}\n")
    endif()
endforeach()
file(WRITE ${OUTPUT} "${text}")
