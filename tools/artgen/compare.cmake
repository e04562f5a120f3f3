# Regenerates the art into OUT_DIR and fails unless every resource matches the
# committed copy byte for byte. Run with -DARTGEN -DART_DIR -DOUT_DIR -DCOMMITTED_DIR.
foreach(var ARTGEN ART_DIR OUT_DIR COMMITTED_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare.cmake needs -D${var}=...")
  endif()
endforeach()

# Start clean so a stale file from an earlier run can never pass for a new one.
file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${ARTGEN}" "${ART_DIR}" "${OUT_DIR}" "${OUT_DIR}/contact-sheet.png"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "artgen failed (${rc})")
endif()

set(stale "")
foreach(name sheet.bmp mask.bmp virelo.ico)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                          "${OUT_DIR}/${name}" "${COMMITTED_DIR}/${name}"
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    list(APPEND stale "${name}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "committed resources differ from the art sources: ${stale}\n"
                      "regenerate with: virelo-artgen resources/art resources docs/contact-sheet.png")
endif()
