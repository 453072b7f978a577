# cmake -DSOURCE=<file> -DTARGET=<file> -P SeedFile.cmake
# Copies SOURCE to TARGET only when TARGET does not exist: a file the program has since
# written (the user's settings) is never replaced by the shipped defaults.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
