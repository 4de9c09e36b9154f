# Fails when `ldd -r` reports an undefined symbol or a missing library in MODULE.
execute_process(COMMAND "${LDD}" -r "${MODULE}"
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    RESULT_VARIABLE rc)

set(report "${out}${err}")

if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd -r failed on ${MODULE}:\n${report}")
endif()

if(report MATCHES "undefined symbol|not found")
    message(FATAL_ERROR "Unresolved references in ${MODULE}:\n${report}")
endif()

message(STATUS "${MODULE}: every symbol resolves")
