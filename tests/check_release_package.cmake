# The release package unpacked into a fresh folder: it holds the DLL, the
# help file and the install text, the DLL is the package's processor, and
# plumhost loads it.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(NOT EXISTS ${PACKAGE})
    message(FATAL_ERROR "no package ${PACKAGE}")
endif()
get_filename_component(package_name ${PACKAGE} NAME)
if(NOT package_name MATCHES "^Plumquist-[0-9]+\\.[0-9]+\\.[0-9]+-${ARCH_TAG}\\.zip$")
    message(FATAL_ERROR "package name ${package_name} does not name the processor ${ARCH_TAG}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${PACKAGE} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${PACKAGE}")
endif()
foreach(member Plumquist.dll Plumquist.chm INSTALL.txt)
    if(NOT EXISTS ${WORK}/${member})
        message(FATAL_ERROR "${package_name} lacks ${member}")
    endif()
endforeach()
# A compiled help file, not a partial one: it starts with the signature
# "ITSF".
file(READ ${WORK}/Plumquist.chm help_signature LIMIT 4 HEX)
if(NOT help_signature STREQUAL "49545346")
    message(FATAL_ERROR "${package_name} holds no compiled Plumquist.chm")
endif()
file(READ ${WORK}/INSTALL.txt install_text)
if(NOT install_text MATCHES "32-bit host loads the x86 DLL" OR NOT install_text MATCHES "64-bit host loads the x64 DLL")
    message(FATAL_ERROR "INSTALL.txt does not say which DLL goes with which host")
endif()

execute_process(COMMAND ${EMULATOR} ${HOST} -p ${WORK}/Plumquist.dll -c "echo %@plumquistinfo[0]"
    WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
message("${out}${err}")
if(NOT status EQUAL 0 OR NOT out MATCHES "Plumquist plugin v[0-9.]+ loaded\\.")
    message(FATAL_ERROR "plumhost did not load the packaged DLL (${status})")
endif()
