# The Windows package: a zip of the release with the help file, a README for
# Windows users, the simulated reader and the PC/SC reader driver in folders
# of their own.
set(PKG_DIR ${CMAKE_BINARY_DIR}/package/PeloxDemo)
set(PKG_ZIP ${CMAKE_BINARY_DIR}/PeloxDemo-${CMAKE_SYSTEM_PROCESSOR}.zip)
set(PKG_DEPENDS Demo help_file)
set(PKG_SIM_COMMANDS)
if(TARGET pelox)
  list(APPEND PKG_DEPENDS pelox)
  set(PKG_SIM_COMMANDS
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PKG_DIR}/simulator
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pelox> ${PKG_DIR}/simulator/
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/sim/pelox-sim.ini ${PKG_DIR}/simulator/)
endif()
# The PC/SC reader driver in a folder of its own, beside the simulator.
set(PKG_PCSC_COMMANDS)
if(TARGET pelox_pcsc_dll)
  list(APPEND PKG_DEPENDS pelox_pcsc_dll)
  set(PKG_PCSC_COMMANDS
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PKG_DIR}/pcsc
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pelox_pcsc_dll> ${PKG_DIR}/pcsc/
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/pcsc/pelox-pcsc.ini ${PKG_DIR}/pcsc/)
endif()
# The command-line tool beside Demo.exe: it loads the same pelox.dll.
set(PKG_CLI_COMMANDS)
if(TARGET pelox-card)
  list(APPEND PKG_DEPENDS pelox-card)
  set(PKG_CLI_COMMANDS COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pelox-card> ${PKG_DIR}/)
endif()
add_custom_command(
  OUTPUT ${PKG_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/package
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PKG_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Demo> ${CMAKE_BINARY_DIR}/bin/KVhelp.chm ${PKG_DIR}/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/windows/README-Windows.txt ${PKG_DIR}/
  ${PKG_CLI_COMMANDS}
  ${PKG_SIM_COMMANDS}
  ${PKG_PCSC_COMMANDS}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/package ${CMAKE_COMMAND} -E tar cf ${PKG_ZIP} --format=zip PeloxDemo
  DEPENDS ${PKG_DEPENDS} ${CMAKE_SOURCE_DIR}/docs/windows/README-Windows.txt
  COMMENT "Packing ${PKG_ZIP}")
add_custom_target(package_zip ALL DEPENDS ${PKG_ZIP})
