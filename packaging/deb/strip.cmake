# Run by CPack on the staged files before it packs them: strips the programs and the hook library
# as Debian's own packages are stripped (the symbol tables, and the compiler's .comment and .note
# sections that nothing reads at run time).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")  # ELF
    continue()
  endif()
  set(options --remove-section=.comment --remove-section=.note)
  if(file MATCHES "\\.so$")
    list(APPEND options --strip-unneeded)
  endif()
  execute_process(COMMAND strip ${options} "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${file}")
  endif()
endforeach()
