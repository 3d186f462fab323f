# A pipe under a document's name must not keep a tool waiting for a writer that never comes.
#   -DTOOL=<path> -DFIFO=<path in the build tree>

file(REMOVE ${FIFO})
execute_process(COMMAND mkfifo ${FIFO} RESULT_VARIABLE made)
if(NOT made STREQUAL "0")
    message(FATAL_ERROR "mkfifo failed")
endif()
execute_process(COMMAND ${TOOL} check ${FIFO} TIMEOUT 10
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
file(REMOVE ${FIFO})
if(NOT code STREQUAL "1" OR NOT err MATCHES "cannot be read")
    message(FATAL_ERROR "exit status ${code}, expected 1 and \"cannot be read\"\nstderr:\n${err}")
endif()
