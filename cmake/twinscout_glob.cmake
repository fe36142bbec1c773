# twinscout_glob(<out-var> <pattern>...)
# Globs sources (patterns relative to the repo root) and drops those meant for the
# other platform: *_posix.cpp / *_posix_test.cpp build only for non-Windows targets,
# *_win32.cpp / *_win32_test.cpp only for Windows targets.
function(twinscout_glob out)
    set(patterns)
    foreach(pattern IN LISTS ARGN)
        list(APPEND patterns ${PROJECT_SOURCE_DIR}/${pattern})
    endforeach()
    file(GLOB found CONFIGURE_DEPENDS ${patterns})
    if(WIN32)
        list(FILTER found EXCLUDE REGEX "_posix(_test)?\\.cpp$")
    else()
        list(FILTER found EXCLUDE REGEX "_win32(_test)?\\.cpp$")
    endif()
    list(SORT found)
    set(${out} ${found} PARENT_SCOPE)
endfunction()
