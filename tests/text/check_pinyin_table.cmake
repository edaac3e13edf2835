# Regenerates the pinyin reading tables into OUTPUT and compares them byte
# for byte with the committed COMMITTED. Reports "skipped:" when the Unihan
# database or Python is missing.
if(NOT PYTHON OR NOT EXISTS "${PYTHON}")
  message("skipped: no Python interpreter")
  return()
endif()
if(NOT EXISTS "${UNIHAN}")
  message("skipped: ${UNIHAN} is not installed (Debian package unicode-data)")
  return()
endif()
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND "${PYTHON}" "${GENERATOR}" --unihan "${UNIHAN}" --output "${OUTPUT}" --stats
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed (${rc})")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}" "${COMMITTED}"
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from what the generator makes (${OUTPUT}); "
                      "rerun tools/gen_pinyin_table.py and commit the result")
endif()
message("pinyin tables reproduced byte for byte")
