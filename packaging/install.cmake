# Installing the runtime (cmake --install, with CMAKE_INSTALL_PREFIX and
# DESTDIR honoured) and packaging it for Debian (cpack -G DEB in the build
# folder). Under the prefix:
#
#   bin/kilnworks-demo                          the program
#   lib/kilnworks-demo/libsample_plugin.so      the sample plug-in
#   share/kilnworks-demo/data/...               the bundled show
#   share/applications/kilnworks-demo.desktop   the desktop entry
#   share/man/man1/kilnworks-demo.1.gz          the manual page, from --help
#   share/doc/kilnworks-demo/README.md
#
# The program finds its show and its plug-ins from its own folder, so the
# installed tree works wherever it lands (another prefix, DESTDIR, a package).
include(GNUInstallDirs)
set(DEMO_INSTALL_NAME kilnworks-demo)
set(DEMO_SUMMARY "real-time audiovisual demo: visual effects choreographed to music")
set(DEMO_SHOW_DIR ${CMAKE_INSTALL_DATADIR}/${DEMO_INSTALL_NAME})
set(DEMO_PLUGIN_DIR ${CMAKE_INSTALL_LIBDIR}/${DEMO_INSTALL_NAME})

file(RELATIVE_PATH show_from_program ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/${DEMO_INSTALL_NAME})
file(RELATIVE_PATH plugins_from_program ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBDIR}/${DEMO_INSTALL_NAME})
target_compile_definitions(kilnworks-demo PRIVATE
  DEMO_PROGRAM_NAME="${DEMO_INSTALL_NAME}"
  DEMO_SHOW_FROM_PROGRAM="${show_from_program}"
  DEMO_PLUGINS_FROM_PROGRAM="${plugins_from_program}")

# The manual page, made from the installed program's --help at build time.
set(manual ${CMAKE_BINARY_DIR}/${DEMO_INSTALL_NAME}.1)
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  add_custom_command(OUTPUT ${manual}.gz
    COMMAND make_manual $<TARGET_FILE:kilnworks-demo> ${manual} ${DEMO_SUMMARY}
    COMMAND ${GZIP_PROGRAM} -9nf ${manual}
    DEPENDS kilnworks-demo make_manual
    COMMENT "Manual page from kilnworks-demo --help" VERBATIM)
  set(manual ${manual}.gz)
else()
  add_custom_command(OUTPUT ${manual}
    COMMAND make_manual $<TARGET_FILE:kilnworks-demo> ${manual} ${DEMO_SUMMARY}
    DEPENDS kilnworks-demo make_manual
    COMMENT "Manual page from kilnworks-demo --help" VERBATIM)
endif()
add_custom_target(manual_page ALL DEPENDS ${manual})

install(TARGETS kilnworks-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sample_plugin LIBRARY DESTINATION ${DEMO_PLUGIN_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${DEMO_SHOW_DIR}/data)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kilnworks-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${DEMO_INSTALL_NAME})

# The Debian package: the same tree under /usr, binaries stripped, and the
# dependencies worked out by dpkg-shlibdeps from the libraries they link.
set(CPACK_PACKAGE_NAME ${DEMO_INSTALL_NAME})
set(CPACK_PACKAGE_VENDOR "Kilnworks")
set(CPACK_PACKAGE_VERSION "1.0.0")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${DEMO_SUMMARY})
set(CPACK_PACKAGE_DESCRIPTION
    "Plays a show of OpenGL 2.0 effects choreographed to music, driven by a plain-text script, \
and the bundled show Kiln. Plays any show folder with --show DIR; --new-show DIR writes a \
starter show to build one's own.")
set(CPACK_PACKAGE_CONTACT "Kilnworks <kilnworks@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
