# Writes the tool's version into OUT: the project's version, and the git commit when
# the source is a checkout. Run at every build; the file changes only with the version,
# so nothing is rebuilt for nothing.
#
#   cmake -DSOURCE=dir -DVERSION=2.0 -DOUT=file -P version.cmake
set(version "${VERSION}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE}" rev-parse --short=10 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND commit)
    set(version "${version} (${commit})")
  endif()
endif()
set(text "#pragma once\n\n// The tool's version, as --version and the records give it.\n#define AUXPAD_VERSION \"${version}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
