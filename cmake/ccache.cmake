# Every compilation goes through ccache when it is installed (DEMO_CCACHE=OFF
# turns it off). Paths under the source folder are hashed relative to the
# build folder (CCACHE_BASEDIR) and the debug information names them relative
# to the source folder, so a checkout in another folder, as a CI clone is,
# finds the objects compiled in this one.
option(DEMO_CCACHE "Compile through ccache when it is installed" ON)
find_program(CCACHE_PROGRAM ccache)
if(DEMO_CCACHE AND CCACHE_PROGRAM)
  # The test builds use a precompiled header, which ccache caches only with
  # these two sloppinesses: the header's macros are hashed as it is
  # included, and no source of ours uses __DATE__ or __TIME__.
  set(DEMO_CCACHE_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
    CCACHE_SLOPPINESS=pch_defines,time_macros ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${DEMO_CCACHE_LAUNCHER})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${DEMO_CCACHE_LAUNCHER})
  add_compile_options(-fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.)
endif()
