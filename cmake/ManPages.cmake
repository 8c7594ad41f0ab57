# One manual page per program, made at build time by help2man from the program's own
# --help (so that the options are written once, in the program) and an include file in
# data/man/ with what --help does not hold: records, exit statuses, environment, files,
# examples. Sets FM_MAN_PAGES to the compressed pages made (build/man/PROGRAM.1.gz, with
# PROGRAM.1 beside it for man -l); without help2man none are made.
find_program(FM_HELP2MAN help2man)
set(FM_MAN_PAGES)
if(NOT FM_HELP2MAN)
  message(WARNING "help2man not found: no manual pages (apt install help2man)")
  return()
endif()
foreach(program foldermate foldermate-scan foldermate-settings foldermate-sync)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  set(include ${FM_DATA_DIR}/man/${program}.h2m)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    # No display and no user settings are needed for --help; the page does not depend on
    # the build date, so that two builds make the same page.
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen SOURCE_DATE_EPOCH=0
            ${FM_HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    # Debian installs manual pages compressed; -n keeps the date out of the file.
    COMMAND gzip -9nkf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Making the manual page of ${program}"
    VERBATIM)
  list(APPEND FM_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(fm_man_pages ALL DEPENDS ${FM_MAN_PAGES})
