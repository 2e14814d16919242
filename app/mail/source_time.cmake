# morvik_source_time(OUT SOURCE_DIR): the latest time the program's sources are known to be from, in
# seconds since 1970 UTC: SOURCE_DATE_EPOCH when set (a build that can be reproduced), else the time
# of the commit checked out in SOURCE_DIR, else the time its CMakeLists.txt carries (a source archive
# keeps its files' times). Never this machine's clock: the clock setting takes no server time before
# this one, and a PC whose clock runs ahead, the very one to be set right, would then refuse the
# right time until long after it was built.
#
# Run as a script (cmake -DSOURCE_DIR=... -P source_time.cmake), it prints that time.
function(morvik_source_time out source_dir)
  if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    set(${out} $ENV{SOURCE_DATE_EPOCH} PARENT_SCOPE)
    return()
  endif()
  find_program(MORVIK_GIT git)
  if(MORVIK_GIT)
    # Only a repository of these sources: a source archive unpacked inside another repository (a
    # home kept in git) is not that repository's commit.
    execute_process(COMMAND ${MORVIK_GIT} -C ${source_dir} rev-parse --show-toplevel
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
    file(REAL_PATH ${source_dir} here)
    if(status EQUAL 0 AND NOT top STREQUAL "")
      file(REAL_PATH ${top} top)
    endif()
    if(status EQUAL 0 AND top STREQUAL here)
      execute_process(COMMAND ${MORVIK_GIT} -C ${source_dir} log -1 --format=%ct
                      OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
      if(status EQUAL 0 AND time MATCHES "^[0-9]+$")
        set(${out} ${time} PARENT_SCOPE)
        return()
      endif()
    endif()
  endif()
  file(TIMESTAMP ${source_dir}/CMakeLists.txt time "%s" UTC)
  set(${out} ${time} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  morvik_source_time(time ${SOURCE_DIR})
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${time})
endif()
