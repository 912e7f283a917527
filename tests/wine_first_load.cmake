# Under Wine: the first load of the plug-in in a registry without its key
# writes the default set as a 12-byte binary value.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(key "HKCU\\SOFTWARE\\VIDaveruz\\Plumquist")
execute_process(COMMAND ${EMULATOR} reg delete "HKCU\\SOFTWARE\\VIDaveruz" /f OUTPUT_QUIET ERROR_QUIET)
execute_process(COMMAND ${EMULATOR} reg query ${key} /v Unsafe RESULT_VARIABLE before OUTPUT_QUIET ERROR_QUIET)
if(before EQUAL 0)
    message(FATAL_ERROR "the key could not be removed before the test")
endif()

execute_process(COMMAND ${EMULATOR} ${HOST} -p ${PLUGIN} -c "rem" WORKING_DIRECTORY ${WORK}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "plumhost failed (${status}): ${out}${err}")
endif()

execute_process(COMMAND ${EMULATOR} reg query ${key} /v Unsafe OUTPUT_VARIABLE query RESULT_VARIABLE status)
message("${query}")
if(NOT status EQUAL 0 OR NOT query MATCHES "Unsafe[ \t]+REG_BINARY[ \t]+640300500000006801000010")
    message(FATAL_ERROR "the registry does not hold the default set")
endif()
