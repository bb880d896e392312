# Installs the build into a throw-away prefix whose name needs quoting, then
# checks the folder it makes: the program, its sub-folders, its icon, and a
# desktop entry that points into that prefix and that the freedesktop
# validator accepts.
set(prefix "${WORK}/préfixe avec espaces $HOME")
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${prefix}"
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(item quelvane quelvane.svg quelvane.desktop archives export)
  if(NOT EXISTS "${prefix}/${item}")
    message(FATAL_ERROR "missing after install: ${item}")
  endif()
endforeach()
# Listed with the rest, so that what was installed can be removed.
file(STRINGS "${BUILD}/install_manifest.txt" listed ENCODING UTF-8 REGEX "quelvane\\.desktop$")
if(NOT listed STREQUAL "${prefix}/quelvane.desktop")
  message(FATAL_ERROR "install manifest: ${listed}")
endif()
file(STRINGS "${prefix}/quelvane.desktop" exec ENCODING UTF-8 REGEX "^Exec=")
set(wanted "Exec=\"${WORK}/préfixe avec espaces \\\\$HOME/quelvane\" -r")
if(NOT exec STREQUAL wanted)
  message(FATAL_ERROR "desktop entry: ${exec}\nwanted: ${wanted}")
endif()
file(STRINGS "${prefix}/quelvane.desktop" icon ENCODING UTF-8 REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=${prefix}/quelvane.svg")
  message(FATAL_ERROR "desktop entry: ${icon}")
endif()
execute_process(COMMAND desktop-file-validate "${prefix}/quelvane.desktop"
                RESULT_VARIABLE invalid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(invalid OR NOT said STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${said}")
endif()
file(REMOVE_RECURSE "${WORK}")
