# Runs one developer tool and checks what it printed.
#   -DTOOL=<path> -DARGS=<arguments separated by |> [-DEXPECT_EXIT=<code>] [-DEXPECT_STDOUT=<file>]
#   [-DSTDOUT_MATCHES=<regex separated by |>] [-DSTDERR_MATCHES=<regex>]
#   [-DROUNDTRIP_FILE=<file in the build tree>]: the output is written there, read back with
#   "check" and must come out byte for byte the same.

string(REPLACE "|" ";" arguments "${ARGS}")
if(NOT DEFINED EXPECT_EXIT)
    set(EXPECT_EXIT 0)
endif()

execute_process(COMMAND ${TOOL} ${arguments}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)

if(NOT code STREQUAL EXPECT_EXIT)
    message(FATAL_ERROR "exit status ${code}, expected ${EXPECT_EXIT}\nstderr:\n${err}")
endif()
if(DEFINED EXPECT_STDOUT)
    file(READ ${EXPECT_STDOUT} expected)
    if(NOT out STREQUAL expected)
        message(FATAL_ERROR "output differs from ${EXPECT_STDOUT}:\n${out}")
    endif()
endif()
if(DEFINED STDOUT_MATCHES)
    string(REPLACE "|" ";" patterns "${STDOUT_MATCHES}")
    foreach(pattern IN LISTS patterns)
        if(NOT out MATCHES "${pattern}")
            message(FATAL_ERROR "output does not match ${pattern}:\n${out}")
        endif()
    endforeach()
endif()
if(DEFINED STDERR_MATCHES AND NOT err MATCHES "${STDERR_MATCHES}")
    message(FATAL_ERROR "stderr does not match ${STDERR_MATCHES}:\n${err}")
endif()
if(code STREQUAL "0" AND NOT out STREQUAL "" AND err AND NOT DEFINED STDERR_MATCHES)
    message(FATAL_ERROR "unexpected stderr:\n${err}")
endif()
if(DEFINED ROUNDTRIP_FILE)
    file(WRITE ${ROUNDTRIP_FILE} "${out}")
    execute_process(COMMAND ${TOOL} check ${ROUNDTRIP_FILE} OUTPUT_VARIABLE again RESULT_VARIABLE code)
    if(NOT code STREQUAL "0" OR NOT again STREQUAL out)
        message(FATAL_ERROR "reading the output back gives another document:\n${again}")
    endif()
endif()
