# The plug-in exports what the export table and its names list promise:
#   - every entry of the names list, as the host sees it, is exported by the
#     library (an "@name" entry as f_name), and every lifecycle export and
#     help hook of the table is too;
#   - every export of the library is a row of the table, undecorated;
#   - the names not built yet (UNBUILT below) are rows of the table and are
#     NOT exported: once one is built, this test fails until it is taken off
#     the list.
# Run with -DHOST=plumhost -DPLUGIN=library -DTABLE=export_table.h
# -DEMULATOR=wine-or-empty, and -DOBJDUMP=... for a DLL or -DNM=... otherwise;
# -DCOVERAGE=ON for a coverage build, whose profile runtime exports names of
# its own.
cmake_minimum_required(VERSION 3.20)
set(UNBUILT)

include(${CMAKE_CURRENT_LIST_DIR}/../cmake/export_table.cmake)
plum_read_export_table(${TABLE} TABLE)

# What the library exports.
set(exported)
if(OBJDUMP)
    execute_process(COMMAND ${OBJDUMP} -p ${PLUGIN} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "objdump failed on ${PLUGIN}")
    endif()
    # "[ordinal] name" lines after "[Ordinal/Name Pointer] Table".
    string(REGEX REPLACE ".*\\[Ordinal/Name Pointer\\] Table[^\n]*\n" "" table "${dump}")
    string(REGEX REPLACE "\n\n.*" "" table "${table}")
    string(REGEX MATCHALL "\\] [^\n]+" entries "${table}")
    foreach(entry ${entries})
        string(REPLACE "] " "" entry "${entry}")
        string(STRIP "${entry}" entry)
        list(APPEND exported ${entry})
    endforeach()
else()
    execute_process(COMMAND ${NM} -D --defined-only ${PLUGIN} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "nm failed on ${PLUGIN}")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${dump}")
    foreach(line ${lines})
        if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ ]+)$")
            list(APPEND exported ${CMAKE_MATCH_1})
        endif()
    endforeach()
endif()

# The names list, as the host emulator reads it after loading the plug-in:
# its PLUGIN command lists "NAME VERSION: entry entry ...".
execute_process(COMMAND ${EMULATOR} ${HOST} -p ${PLUGIN} -c plugin
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT listing MATCHES "[0-9]+\\.[0-9]+\\.[0-9]+:([^\r\n]*)")
    message(FATAL_ERROR "plumhost did not list the plug-in (${status}):\n${listing}${errors}")
endif()
string(STRIP "${CMAKE_MATCH_1}" names)
string(REPLACE " " ";" names "${names}")

set(faults)
foreach(entry ${names})
    string(REGEX REPLACE "^@" "f_" symbol "${entry}")
    if(NOT symbol IN_LIST TABLE_NAMES)
        list(APPEND faults "names-list entry ${entry} is no row of the export table")
    endif()
endforeach()
list(LENGTH TABLE_NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET TABLE_NAMES ${i} symbol)
    list(GET TABLE_KINDS ${i} kind)
    set(entry ${symbol})
    if(kind STREQUAL "FUNCTION")
        string(REGEX REPLACE "^f_" "@" entry "${symbol}")
    endif()
    if(kind MATCHES "^(FUNCTION|VARIABLE|COMMAND)$" AND NOT entry IN_LIST names)
        list(APPEND faults "${entry} is missing from the names list")
    endif()
    if(symbol IN_LIST UNBUILT)
        if(symbol IN_LIST exported)
            list(APPEND faults "${symbol} is exported now: take it off the unbuilt list of this test")
        endif()
    elseif(NOT symbol IN_LIST exported)
        list(APPEND faults "${symbol} (${kind}) is not exported")
    endif()
endforeach()
foreach(symbol ${exported})
    if(COVERAGE AND symbol MATCHES "^(__llvm_profile_|__start___llvm_prf_|__stop___llvm_prf_|lprof)")
        continue()
    endif()
    if(NOT symbol IN_LIST TABLE_NAMES)
        list(APPEND faults "export ${symbol} is no row of the export table")
    endif()
endforeach()
foreach(symbol ${UNBUILT})
    if(NOT symbol IN_LIST TABLE_NAMES)
        list(APPEND faults "unbuilt ${symbol} is no row of the export table")
    endif()
endforeach()

if(faults)
    string(REPLACE ";" "\n  " faults "${faults}")
    message(FATAL_ERROR "exports of ${PLUGIN}:\n  ${faults}")
endif()
list(LENGTH exported exported_count)
list(LENGTH names names_count)
message("${exported_count} exports, ${names_count} names listed, not built yet: ${UNBUILT}")
