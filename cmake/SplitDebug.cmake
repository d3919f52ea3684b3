# mcr_split_debug(<target>): after each link the target's file is stripped and
# its symbols move to <file>.debug beside it, tied to it by a debug link, so a
# crash address in a shipped binary can still be resolved with the symbols.
function(mcr_split_debug target)
  set(file $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug ${file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Moving the symbols of ${target} to its debug file"
    VERBATIM)
endfunction()
