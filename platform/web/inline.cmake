# Writes the page with the module inside it as base64, so that it needs no second file and
# opens from file:// (where it could not fetch one). CMake has no base64 of its own;
# coreutils' does it.
execute_process(COMMAND base64 -w0 ${WASM} OUTPUT_VARIABLE VIRELO_WASM_BASE64 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR VIRELO_WASM_BASE64 STREQUAL "")
    message(FATAL_ERROR "cannot encode ${WASM}")
endif()
configure_file(${TEMPLATE} ${OUT} @ONLY)
