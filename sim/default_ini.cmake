# Copies the default pelox-sim.ini (SRC) to DEST unless a file is there
# already: a user's edited file is kept.
if(NOT EXISTS "${DEST}")
  configure_file("${SRC}" "${DEST}" COPYONLY)
endif()
