# Time limits of tests. 32-bit code runs several times slower where the
# machine can execute it only through qemu's user-mode emulator; there the
# 32-bit Windows tests get limits that fit. scripts/emulated-cpu is the one
# check every 32-bit test makes (Wine's runner, the window scripts, hostsim).
set(MCR_TIME_FACTOR 1)
if(MCR_ARCH STREQUAL "win32")
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/emulated-cpu RESULT_VARIABLE _mcr_emulated)
  if(_mcr_emulated EQUAL 0)
    set(MCR_TIME_FACTOR 5)
    message(STATUS "32-bit code runs under CPU emulation here: test time limits x${MCR_TIME_FACTOR}")
  endif()
endif()

# mcr_time_limit(SECONDS TEST...): SECONDS where 32-bit code runs natively.
function(mcr_time_limit seconds)
  math(EXPR limit "${seconds} * ${MCR_TIME_FACTOR}")
  set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${limit})
endfunction()
