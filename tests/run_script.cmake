# Runs one script test: plumhost loads the plug-in and runs SCRIPT in a fresh
# working folder; standard output, standard error and the exit status must
# equal the expected files beside the script. A file NAME.PLATFORM.out (or
# .err, .status) takes the place of NAME.out on that platform. NAME.args
# holds extra plumhost arguments. The working folder's path is written as "."
# in the output, so expected files do not depend on where the tree lives.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SCRIPT} DESTINATION ${WORK})
# Data files a script reads: NAME.*.txt beside it.
file(GLOB data ${dir}/${name}.*.txt)
if(data)
    file(COPY ${data} DESTINATION ${WORK})
endif()

# Every test starts from a registry without the plug-in's key.
if(EMULATOR)
    execute_process(COMMAND ${EMULATOR} reg delete "HKCU\\SOFTWARE\\VIDaveruz" /f
        OUTPUT_QUIET ERROR_QUIET)
elseif(DEFINED ENV{PLUMQUIST_REGISTRY})
    file(REMOVE $ENV{PLUMQUIST_REGISTRY})
endif()

set(extra)
if(EXISTS ${dir}/${name}.args)
    file(STRINGS ${dir}/${name}.args extra)
    separate_arguments(extra UNIX_COMMAND "${extra}")
endif()

# Scripts that unload and load the plug-in again find it here.
set(ENV{PLUGIN_FILE} ${PLUGIN})

execute_process(
    COMMAND ${EMULATOR} ${HOST} ${extra} -p ${PLUGIN} ${name}.btm
    WORKING_DIRECTORY ${WORK}
    OUTPUT_FILE ${WORK}/actual.out
    ERROR_FILE ${WORK}/actual.err
    RESULT_VARIABLE actual_status)

# Output is compared as bytes: CMake's text reading drops carriage returns.
# Each byte becomes two hex digits and a space, so a replacement can only
# match whole bytes.
function(bytes_of text result)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
    set(${result} "${hex}" PARENT_SCOPE)
endfunction()

function(file_bytes path result)
    file(READ ${path} hex HEX)
    string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
    set(${result} "${hex}" PARENT_SCOPE)
endfunction()

# The working folder as plumhost may print it, as given or as Wine's Z: path,
# is written "./" so that expected files do not depend on where the tree is.
string(REPLACE "/" "\\" work_windows "Z:${WORK}")
bytes_of("${WORK}/" work_hex)
bytes_of("${work_windows}\\" work_windows_hex)
bytes_of("./" dot_hex)
bytes_of(".\\" dot_windows_hex)
# The version line's processor tag ("x86", "x64", ...) is written "TAG", so
# one expected file serves every build.
bytes_of(" (${ARCH_TAG})\r\n" tag_hex)
bytes_of(" (TAG)\r\n" tag_placeholder_hex)
foreach(stream out err)
    file_bytes(${WORK}/actual.${stream} actual_${stream})
    string(REPLACE "${work_hex}" "${dot_hex}" actual_${stream} "${actual_${stream}}")
    string(REPLACE "${work_windows_hex}" "${dot_windows_hex}" actual_${stream} "${actual_${stream}}")
    string(REPLACE "${tag_hex}" "${tag_placeholder_hex}" actual_${stream} "${actual_${stream}}")
endforeach()

function(expected kind result)
    if(EXISTS ${dir}/${name}.${PLATFORM}.${kind})
        file_bytes(${dir}/${name}.${PLATFORM}.${kind} bytes)
    elseif(EXISTS ${dir}/${name}.${kind})
        file_bytes(${dir}/${name}.${kind} bytes)
    else()
        set(bytes "")
    endif()
    set(${result} "${bytes}" PARENT_SCOPE)
endfunction()

expected(out expected_out)
expected(err expected_err)
set(expected_status 0)
if(EXISTS ${dir}/${name}.${PLATFORM}.status)
    file(READ ${dir}/${name}.${PLATFORM}.status expected_status)
elseif(EXISTS ${dir}/${name}.status)
    file(READ ${dir}/${name}.status expected_status)
endif()
string(STRIP "${expected_status}" expected_status)

set(failed FALSE)
foreach(stream out err)
    if(NOT actual_${stream} STREQUAL expected_${stream})
        file(READ ${WORK}/actual.${stream} shown)
        message("standard ${stream} differs; got (bytes in ${WORK}/actual.${stream}):\n${shown}")
        message("got bytes:      ${actual_${stream}}\nexpected bytes: ${expected_${stream}}")
        set(failed TRUE)
    endif()
endforeach()
if(NOT actual_status STREQUAL expected_status)
    message("exit status ${actual_status}, expected ${expected_status}")
    set(failed TRUE)
endif()
if(failed)
    message(FATAL_ERROR "script ${name} failed")
endif()
