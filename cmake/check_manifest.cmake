# cmake -DEXE=<path to twinscout.exe> -DVERSION=<x.y.z> -P check_manifest.cmake
# Fails unless the executable embeds a manifest asking for administrator rights
# with uiAccess="false" (both attributes on the requestedExecutionLevel element) and
# declaring the program long-path aware, and a version resource naming the product,
# its description, VERSION and the file.
if(NOT DEFINED EXE OR NOT EXISTS "${EXE}")
    message(FATAL_ERROR "check_manifest: no executable at '${EXE}'")
endif()
file(STRINGS "${EXE}" levels REGEX "<requestedExecutionLevel")
set(manifest_ok FALSE)
foreach(line IN LISTS levels)
    if(line MATCHES "level=\"requireAdministrator\"" AND line MATCHES "uiAccess=\"false\"")
        message(STATUS "check_manifest: ${EXE}: ${line}")
        set(manifest_ok TRUE)
    endif()
endforeach()
if(NOT manifest_ok)
    message(FATAL_ERROR "manifest check failed: ${EXE} lacks the requireAdministrator manifest "
                        "(requestedExecutionLevel lines found: '${levels}')")
endif()

# Paths of any length: the manifest declares the program long-path aware.
file(STRINGS "${EXE}" aware REGEX "<longPathAware[^>]*>true</longPathAware>")
if(NOT aware)
    message(FATAL_ERROR "manifest check failed: ${EXE} lacks longPathAware in its manifest")
endif()
message(STATUS "check_manifest: ${EXE}: longPathAware")

# The version strings are UTF-16LE, each key followed by NULs and then its value.
function(utf16_hex text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} ${hex} PARENT_SCOPE)
endfunction()
file(READ "${EXE}" bytes HEX)
foreach(pair IN ITEMS
        "ProductName=twinscout"
        "FileDescription=twinscout duplicate-file finder"
        "FileVersion=${VERSION}"
        "ProductVersion=${VERSION}"
        "OriginalFilename=twinscout.exe")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    if(NOT bytes MATCHES "${key_hex}(0000)+${value_hex}0000")
        message(FATAL_ERROR "version check failed: ${EXE} lacks the version resource "
                            "${key} '${value}'")
    endif()
    message(STATUS "check_manifest: ${key} ${value}")
endforeach()
