# vorlane_install_gzipped(SOURCE DESTINATION [NAME name]): installs SOURCE compressed as NAME.gz
# (SOURCE's own name by default), as Debian wants manual pages and change logs. gzip -n leaves out
# the name and time stamp, so that the same file always compresses to the same bytes.
include_guard(GLOBAL)
find_program(VORLANE_GZIP gzip REQUIRED)

function(vorlane_install_gzipped source destination)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME" "")
  cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT arg_NAME)
    cmake_path(GET source FILENAME arg_NAME)
  endif()
  set(plain ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${arg_NAME})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${VORLANE_GZIP} -9nf ${plain}
    DEPENDS ${source}
    COMMENT "Compressing ${arg_NAME}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${arg_NAME}" target)
  add_custom_target(${target} ALL DEPENDS ${plain}.gz)
  install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()
