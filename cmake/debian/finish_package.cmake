# Run by cpack on the staging tree of the .deb, before it is packed: adds what Debian
# asks of every package and cmake --install has no use for.
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(program ${usr}/bin/twinscout)
set(doc_dir ${usr}/share/doc/twinscout)
set(man_page ${usr}/share/man/man1/twinscout.1)
if(NOT EXISTS ${program} OR NOT EXISTS ${man_page} OR NOT IS_DIRECTORY ${doc_dir})
    message(FATAL_ERROR "finish_package: unexpected staging tree ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()

# Already stripped by cpack; the compiler's notes go too, as Debian's own tools do.
execute_process(COMMAND ${CPACK_TWINSCOUT_STRIP} --remove-section=.comment --remove-section=.note
                        ${program} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "finish_package: strip failed: ${status}")
endif()

# The copyright file in Debian's machine-readable format, the licence text from LICENSE.
file(READ ${CPACK_TWINSCOUT_LICENSE_FILE} license)
string(REGEX REPLACE "^MIT License\n\n" "" license "${license}")
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^Copyright[^\n]*\n\n" "" license "${license}")
string(REGEX REPLACE "\n+$" "" license "${license}")
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license " ${license}")
configure_file(${CPACK_TWINSCOUT_DEBIAN_DIR}/copyright.in ${doc_dir}/copyright @ONLY)

# One changelog entry for the packaged version. SOURCE_DATE_EPOCH, when set, fixes the date.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CPACK_TWINSCOUT_DEBIAN_DIR}/changelog.in ${doc_dir}/changelog @ONLY)

# The licence is in copyright; the rest is compressed as Debian expects (-n: no timestamp).
file(REMOVE ${doc_dir}/LICENSE)
execute_process(COMMAND gzip -9nf ${doc_dir}/changelog ${man_page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "finish_package: gzip failed: ${status}")
endif()
