# Copies a module definition file of stdcall names (name@bytes) for the
# target: unchanged for 32-bit Windows, with the decoration removed for
# x64, which has none.
file(READ ${INPUT} text)
if(POINTER_SIZE EQUAL 8)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
endif()
file(WRITE ${OUTPUT} "${text}")
