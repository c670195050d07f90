# Installing: `cmake --install` puts kestrel in bin/ and everything it loads in lib/kestrel/
# (the platform library with its parts loaded on first use, both plug-ins and their
# bundles), where kestrel looks for the
# plug-ins that --plugin tasks and --plugin events name. Paths are relative to the binary
# ($ORIGIN), so an installed tree works from any prefix. `cpack` (run in the build folder)
# makes a Debian package of the same tree. Both carry a systemd user unit that runs
# `kestrel serve` at login (packaging/kestrel.service.in).
set(CMAKE_INSTALL_DOCDIR share/doc/kestrel CACHE PATH "Documentation folder")
include(GNUInstallDirs)

# Not GNUInstallDirs' LIBDIR: a multiarch folder would break the lookup relative to bin/.
set(KESTREL_INSTALL_PRIVATE_DIR lib/kestrel)

set_target_properties(kestrel PROPERTIES INSTALL_RPATH "$ORIGIN/../${KESTREL_INSTALL_PRIVATE_DIR}")
set_target_properties(kestrel-platform kestrel-net kestrel-sound TWPlugin TWCalPlugin PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kestrel-platform LIBRARY DESTINATION ${KESTREL_INSTALL_PRIVATE_DIR})
# Beside it: the platform looks for its parts in its own folder.
install(TARGETS kestrel-net kestrel-sound LIBRARY DESTINATION ${KESTREL_INSTALL_PRIVATE_DIR})
install(TARGETS TWPlugin TWCalPlugin LIBRARY DESTINATION ${KESTREL_INSTALL_PRIVATE_DIR})
install(DIRECTORY ${KESTREL_RESOURCES_DIR}/TWPlugin.bundle ${KESTREL_RESOURCES_DIR}/TWCalPlugin.bundle
        DESTINATION ${KESTREL_INSTALL_PRIVATE_DIR})

# The unit names the binary by its installed path, which only the install step knows (a
# --prefix, or /usr when cpack stages the package).
install(CODE "
  set(KESTREL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(KESTREL_DOCDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\")
  set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/kestrel.service\")
  message(STATUS \"Installing: \${unit}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/kestrel.service.in\" \"\${unit}\" @ONLY)
")
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel developers <kestrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lock-screen host with the Taskwell task and event plug-ins")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A package of a debug build would carry hundreds of megabytes of symbols.
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies come from the libraries the binaries link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola, fonts-noto-color-emoji")
include(CPack)
