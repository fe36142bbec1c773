# cmake -DEXE=<path to twinscout.exe> -P check_manifest.cmake
# Fails unless the executable embeds a manifest asking for administrator rights
# with uiAccess="false" (both attributes on the requestedExecutionLevel element).
if(NOT DEFINED EXE OR NOT EXISTS "${EXE}")
    message(FATAL_ERROR "check_manifest: no executable at '${EXE}'")
endif()
file(STRINGS "${EXE}" levels REGEX "<requestedExecutionLevel")
foreach(line IN LISTS levels)
    if(line MATCHES "level=\"requireAdministrator\"" AND line MATCHES "uiAccess=\"false\"")
        message(STATUS "check_manifest: ${EXE}: ${line}")
        return()
    endif()
endforeach()
message(FATAL_ERROR "manifest check failed: ${EXE} lacks the requireAdministrator manifest "
                    "(requestedExecutionLevel lines found: '${levels}')")
