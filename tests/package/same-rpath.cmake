# cmake -DFROM=<installed executable> -DFILE=<executable> -P same-rpath.cmake:
# gives FILE the library search path that installing gave FROM.
file(READ_ELF "${FROM}" RUNPATH from_runpath RPATH from_rpath)
file(READ_ELF "${FILE}" RUNPATH file_runpath RPATH file_rpath)
set(new "${from_runpath}${from_rpath}")
set(old "${file_runpath}${file_rpath}")
if(old STREQUAL "")
  message(FATAL_ERROR "${FILE} has no library search path to change")
endif()
file(RPATH_CHANGE FILE "${FILE}" OLD_RPATH "${old}" NEW_RPATH "${new}")
message(STATUS "library search path of ${FILE}: ${new}")
