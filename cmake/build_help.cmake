# Compiles the help file with chmcmd and leaves either a whole, checked help
# file at OUTPUT or none at all.
#
#   cmake -DCHMCMD=chmcmd -DSOURCE=help -DPROJECT=Plumquist.hhp
#         -DSTAGING=build/help -DOUTPUT=build/Plumquist.chm -P build_help.cmake
#
# chmcmd writes its output next to the project file, so the project is
# compiled from a fresh copy of SOURCE in STAGING (files deleted from SOURCE
# must not linger there) and the result is moved to OUTPUT only at the end.
#
# chmcmd is lenient in ways a build must not be: on a file of [FILES] that is
# missing it exits 217 and leaves a partial file; a page that only the table
# of contents names, or a broken link or anchor, gives a "Warning:" or
# "Error:" line and exit status 0. Each of these fails here, and the output
# is removed, so the build never ships a help file with holes in it.

foreach(var CHMCMD SOURCE PROJECT STAGING OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "build_help.cmake: ${var} is not set")
    endif()
endforeach()

get_filename_component(project_stem ${PROJECT} NAME_WE)
set(compiled ${STAGING}/${project_stem}.chm)

# Removes every output of this script, then stops the build with the message.
function(fail_help_build text)
    file(REMOVE ${OUTPUT} ${compiled})
    message(FATAL_ERROR "Plumquist.chm not built: ${text}")
endfunction()

# An old help file must not survive a failed rebuild.
file(REMOVE ${OUTPUT})
file(REMOVE_RECURSE ${STAGING})
file(COPY ${SOURCE}/ DESTINATION ${STAGING})

if(NOT EXISTS ${STAGING}/${PROJECT})
    fail_help_build("no project file ${SOURCE}/${PROJECT}")
endif()

# The project must name its output after the project and put it beside the
# project file, where this script looks for it.
file(STRINGS ${STAGING}/${PROJECT} compiled_setting REGEX "^Compiled file=")
if(NOT compiled_setting STREQUAL "Compiled file=${project_stem}.chm")
    fail_help_build("${PROJECT} must say \"Compiled file=${project_stem}.chm\", not \"${compiled_setting}\"")
endif()

# Every page the table of contents opens must be there: chmcmd itself
# compiles a contents entry that points nowhere without a word.
file(STRINGS ${STAGING}/${PROJECT} contents_setting REGEX "^Contents file=")
string(REGEX REPLACE "^Contents file=" "" contents_file "${contents_setting}")
if(contents_file STREQUAL "" OR NOT EXISTS ${STAGING}/${contents_file})
    fail_help_build("the contents file \"${contents_file}\" named in ${PROJECT} is missing")
endif()
file(READ ${STAGING}/${contents_file} contents)
string(REGEX MATCHALL "<param name=\"Local\" value=\"[^\"]*\">" locals "${contents}")
if(NOT locals)
    fail_help_build("${contents_file} names no pages")
endif()
set(missing "")
foreach(local ${locals})
    string(REGEX REPLACE "^<param name=\"Local\" value=\"([^\"#]*).*$" "\\1" page "${local}")
    if(NOT EXISTS ${STAGING}/${page})
        list(APPEND missing ${page})
    endif()
endforeach()
if(missing)
    fail_help_build("${contents_file} names pages that are not in ${SOURCE}: ${missing}")
endif()

execute_process(COMMAND ${CHMCMD} ${PROJECT}
    WORKING_DIRECTORY ${STAGING}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)
string(STRIP "${log}" log)
if(NOT status EQUAL 0 OR log MATCHES "(^|\n)(Warning|Error):")
    message("chmcmd said:\n${log}")
endif()
if(NOT status EQUAL 0)
    fail_help_build("chmcmd failed with exit status ${status}")
endif()
if(log MATCHES "(^|\n)(Warning|Error):")
    fail_help_build("chmcmd reported a missing file, link or anchor (the Warning and Error lines above)")
endif()
if(NOT EXISTS ${compiled})
    fail_help_build("chmcmd wrote no ${project_stem}.chm")
endif()

file(RENAME ${compiled} ${OUTPUT})
