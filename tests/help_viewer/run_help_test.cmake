# Runs one help test: plumhost loads the plug-in from a folder of its own and
# runs SCRIPT, whose requests start the test viewer (VIEWER): under Wine it is
# installed as hh.exe in the prefix's Windows directory, on POSIX systems it
# is put on PATH as plumquist-viewer. Each viewer appends what it got to a
# shared log. Afterwards the viewer, run with --check, logs and ends every
# viewer still running.
#
# Compared with the files beside the script:
#   NAME.out            standard output; "<stamp>" stands for the build stamp
#                       compiled into the plug-in, "(TAG)" for its processor
#   NAME.PLATFORM.log   the viewers' log, lines grouped by viewer, process
#                       ids written "pid=N" and the working folder "."
# Standard error must be empty and the exit status 0.
#
# The working folder holds the places the scripts point the plug-in at:
#   a/Plumquist.chm, b/Plumquist.chm   help files
#   c/Plumquist.chm/                   a directory of that name
#   dll/                               the plug-in, with Help/Plumquist.chm
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
get_filename_component(plugin_name ${PLUGIN} NAME)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/a ${WORK}/b ${WORK}/c/Plumquist.chm ${WORK}/dll/Help)
foreach(help_file a/Plumquist.chm b/Plumquist.chm dll/Help/Plumquist.chm)
    file(WRITE ${WORK}/${help_file} "not a real help file; the viewer is a fake\n")
endforeach()
file(COPY ${SCRIPT} DESTINATION ${WORK})
file(COPY ${PLUGIN} DESTINATION ${WORK}/dll)

if(PLATFORM STREQUAL "win32")
    execute_process(COMMAND ${CMAKE_COMMAND} -E copy ${VIEWER} ${WINE_PREFIX}/drive_c/windows/hh.exe
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot install the test viewer in ${WINE_PREFIX}")
    endif()
    # The viewer's windows need no display: wine-run --start-server, run
    # before the first test, selects Wine's null graphics driver.
    string(REPLACE "/" "\\" log "Z:${WORK}/viewer.log")
    set(check ${EMULATOR} ${VIEWER} --check)
else()
    file(COPY ${VIEWER} DESTINATION ${WORK}/bin
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(ENV{PATH} "${WORK}/bin:$ENV{PATH}")
    set(log ${WORK}/viewer.log)
    set(check ${WORK}/bin/plumquist-viewer --check)
endif()
set(ENV{PLUMQUIST_VIEWER_LOG} ${log})

execute_process(
    COMMAND ${EMULATOR} ${HOST} -p ${WORK}/dll/${plugin_name} ${name}.btm
    WORKING_DIRECTORY ${WORK}
    OUTPUT_FILE ${WORK}/actual.out
    ERROR_FILE ${WORK}/actual.err
    RESULT_VARIABLE status
    TIMEOUT 300)
execute_process(COMMAND ${check} WORKING_DIRECTORY ${WORK})

set(failed FALSE)
if(NOT status EQUAL 0)
    message("exit status ${status}, expected 0")
    set(failed TRUE)
endif()
file(READ ${WORK}/actual.err err)
if(NOT err STREQUAL "")
    message("standard error is not empty:\n${err}")
    set(failed TRUE)
endif()

# Output is compared as bytes (CMake's text reading drops carriage returns):
# each byte becomes two hex digits and a space.
function(bytes_of text result)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
    set(${result} "${hex}" PARENT_SCOPE)
endfunction()

# The build stamp compiled into the plug-in, read from the file itself, in
# the form the version display gives it.
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
file(STRINGS ${PLUGIN} dates REGEX "^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 1-3][0-9] 20[0-9][0-9]$")
file(STRINGS ${PLUGIN} times REGEX "^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$")
list(LENGTH dates date_count)
list(LENGTH times time_count)
if(NOT date_count EQUAL 1 OR NOT time_count EQUAL 1)
    message(FATAL_ERROR "no single build stamp in ${PLUGIN}: dates '${dates}', times '${times}'")
endif()
string(SUBSTRING "${dates}" 0 3 month_name)
list(FIND months ${month_name} month)
math(EXPR month "${month} + 1")
string(SUBSTRING "${dates}" 4 2 day)
string(STRIP "${day}" day)
string(SUBSTRING "${dates}" 7 4 year)
if(month LESS 10)
    set(month "0${month}")
endif()
if(day LESS 10)
    set(day "0${day}")
endif()

file(READ ${WORK}/actual.out actual_hex HEX)
string(REGEX REPLACE "(..)" "\\1 " actual_hex "${actual_hex}")
bytes_of("${year}-${month}-${day} ${times}" stamp_hex)
bytes_of("<stamp>" stamp_placeholder_hex)
bytes_of(" (${ARCH_TAG})\r\n" tag_hex)
bytes_of(" (TAG)\r\n" tag_placeholder_hex)
string(REPLACE "${stamp_hex}" "${stamp_placeholder_hex}" actual_hex "${actual_hex}")
string(REPLACE "${tag_hex}" "${tag_placeholder_hex}" actual_hex "${actual_hex}")
set(expected_hex "")
if(EXISTS ${dir}/${name}.out)
    file(READ ${dir}/${name}.out expected_hex HEX)
    string(REGEX REPLACE "(..)" "\\1 " expected_hex "${expected_hex}")
endif()
if(NOT actual_hex STREQUAL expected_hex)
    file(READ ${WORK}/actual.out shown)
    message("standard output differs; got (bytes in ${WORK}/actual.out):\n${shown}")
    message("got bytes:      ${actual_hex}\nexpected bytes: ${expected_hex}")
    set(failed TRUE)
endif()

# The log, with what changes from run to run written alike, grouped by
# viewer: viewers run side by side, so lines of two viewers may interleave.
set(lines)
if(EXISTS ${WORK}/viewer.log)
    file(STRINGS ${WORK}/viewer.log lines)
endif()
string(REPLACE "/" "\\" work_windows "Z:${WORK}")
set(viewers 0)
set(normalized)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "pid=[0-9]+$" "pid=N" line "${line}")
    string(REPLACE "${work_windows}\\" ".\\" line "${line}")
    string(REPLACE "${WORK}/" "./" line "${line}")
    if(line MATCHES "^#([0-9]+) pid=N$" AND CMAKE_MATCH_1 GREATER viewers)
        set(viewers ${CMAKE_MATCH_1})
    endif()
    list(APPEND normalized "${line}")
endforeach()
set(grouped "")
if(viewers GREATER 0)
    foreach(viewer RANGE 1 ${viewers})
        foreach(line IN LISTS normalized)
            if(line MATCHES "^#${viewer} ")
                string(APPEND grouped "${line}\n")
            endif()
        endforeach()
    endforeach()
endif()
foreach(line IN LISTS normalized)
    if(NOT line MATCHES "^#[0-9]+ ")
        string(APPEND grouped "${line}\n")
    endif()
endforeach()
file(READ ${dir}/${name}.${PLATFORM}.log expected_log)
if(NOT grouped STREQUAL expected_log)
    message("the viewers' log differs (raw log in ${WORK}/viewer.log); got:\n${grouped}\nexpected:\n${expected_log}")
    set(failed TRUE)
endif()

if(failed)
    message(FATAL_ERROR "help test ${name} failed")
endif()
