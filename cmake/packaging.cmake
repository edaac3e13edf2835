# The user guide beside the program, and what an installation holds:
#   bin/mtrfee
#   share/mtrfee/收据模板.xls            the template, copied into each user's data folder
#   share/mtrfee/缴费通知单模板.xls      the payment notice template, copied there on first use
#   share/mtrfee/催费通知单模板.xls      the arrears reminder template, the same way
#   share/mtrfee/help/index.html         the user guide
#   share/applications, share/metainfo   desktop entry, AppStream metadata
#   share/icons/hicolor/...              the icon, SVG and PNG sizes
#   share/man/man1/mtrfee.1.gz           the man page
# scripts/package.sh turns an installation into a Debian package.

include(GNUInstallDirs)

set(MTRFEE_APP_ID org.mtrfee.mtrfee)
set(MTRFEE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(MTRFEE_PACKAGING_WORK ${CMAKE_BINARY_DIR}/packaging)

# Debian's own interpreter, which has python3-markdown.
find_program(MTRFEE_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT MTRFEE_PYTHON3)
  find_program(MTRFEE_PYTHON3 python3 REQUIRED)
endif()
find_program(MTRFEE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(MTRFEE_GZIP gzip REQUIRED)

# The user guide, built from its Markdown text into the program folder.
set(MTRFEE_HELP_SOURCE ${CMAKE_SOURCE_DIR}/docs/使用手册.md)
set(MTRFEE_HELP_OUTPUT ${MTRFEE_PROGRAM_DIR}/help/index.html)
add_custom_command(
  OUTPUT ${MTRFEE_HELP_OUTPUT}
  COMMAND ${MTRFEE_PYTHON3} ${CMAKE_SOURCE_DIR}/docs/build-help.py ${MTRFEE_HELP_SOURCE} ${MTRFEE_HELP_OUTPUT}
  DEPENDS ${MTRFEE_HELP_SOURCE} ${CMAKE_SOURCE_DIR}/docs/build-help.py
  COMMENT "Building the user guide help/index.html"
  VERBATIM)
add_custom_target(mtrfee_help ALL DEPENDS ${MTRFEE_HELP_OUTPUT})

# The icon in the sizes desktops look for, rendered from its SVG.
set(MTRFEE_ICON_SVG ${MTRFEE_PACKAGING_DIR}/mtrfee.svg)
set(MTRFEE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_outputs)
foreach(size ${MTRFEE_ICON_SIZES})
  set(png ${MTRFEE_PACKAGING_WORK}/icons/${size}x${size}/mtrfee.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MTRFEE_PACKAGING_WORK}/icons/${size}x${size}
    COMMAND ${MTRFEE_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${MTRFEE_ICON_SVG}
    DEPENDS ${MTRFEE_ICON_SVG}
    VERBATIM)
  list(APPEND icon_outputs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT mtrfee)
endforeach()

# The man page, compressed as Debian wants it (no name, no time stamp).
set(MTRFEE_MAN_OUTPUT ${MTRFEE_PACKAGING_WORK}/mtrfee.1.gz)
add_custom_command(
  OUTPUT ${MTRFEE_MAN_OUTPUT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MTRFEE_PACKAGING_WORK}
  COMMAND sh -c "${MTRFEE_GZIP} -9n -c \"$1\" > \"$2\"" sh ${MTRFEE_PACKAGING_DIR}/mtrfee.1 ${MTRFEE_MAN_OUTPUT}
  DEPENDS ${MTRFEE_PACKAGING_DIR}/mtrfee.1
  VERBATIM)
add_custom_target(mtrfee_packaging_files ALL DEPENDS ${icon_outputs} ${MTRFEE_MAN_OUTPUT})

install(TARGETS mtrfee RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT mtrfee)
# The installed executable keeps one library search path, the spreadsheet
# engine's program folder: the UNO libraries linked through the system's
# library folder need their own private libraries from there.
install(FILES ${MTRFEE_PROGRAM_DIR}/收据模板.xls ${MTRFEE_PROGRAM_DIR}/缴费通知单模板.xls ${MTRFEE_PROGRAM_DIR}/催费通知单模板.xls DESTINATION ${CMAKE_INSTALL_DATADIR}/mtrfee COMPONENT mtrfee)
install(FILES ${MTRFEE_HELP_OUTPUT} DESTINATION ${CMAKE_INSTALL_DATADIR}/mtrfee/help COMPONENT mtrfee)
install(FILES ${MTRFEE_PACKAGING_DIR}/${MTRFEE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT mtrfee)
install(FILES ${MTRFEE_PACKAGING_DIR}/${MTRFEE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT mtrfee)
install(FILES ${MTRFEE_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT mtrfee)
install(FILES ${MTRFEE_MAN_OUTPUT} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT mtrfee)

# The package's tests: build the package from this build, check it, and run
# the installed layout from it.
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/package ${CMAKE_BINARY_DIR}/tests/package)
