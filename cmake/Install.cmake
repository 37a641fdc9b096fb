# Two layouts from one build:
#   system   (plain `cmake --install`, and the Debian package): the program in bin/, the help
#            page in share/kelvaro, a desktop entry and icons; every user's data go to their
#            own data folder.
#   portable (`./run.sh` into dist/): one folder with the program, its help and the marker
#            that keeps the data beside the program.
# Neither ever carries a database or key material (the first start generates kv.dat for the
# installation), so installing again or upgrading keeps the data.
include(GNUInstallDirs)

install(TARGETS kelvaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
# The windows after the login, opened by the program at the first login, in its private folder
# (two levels below lib/, so that the package does not run ldconfig for it).
install(TARGETS kelvaro_windows LIBRARY DESTINATION lib/kelvaro/modules COMPONENT system)
install(DIRECTORY resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvaro COMPONENT system)
install(FILES resources/kelvaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT system)
install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT system)

# What a Debian system expects beside a program: its manual page and, in its documentation
# folder, the copyright and the changelog. The page and the changelog are compressed as dpkg
# does (no name or time stamp inside, so the package builds the same each time).
set(kv_packed ${CMAKE_BINARY_DIR}/packed)
foreach(packed kelvaro.1 debian/changelog)
  get_filename_component(packed_name ${packed} NAME)
  add_custom_command(OUTPUT ${kv_packed}/${packed_name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kv_packed}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/${packed} > ${kv_packed}/${packed_name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/${packed} VERBATIM)
  list(APPEND kv_packed_files ${kv_packed}/${packed_name}.gz)
endforeach()
add_custom_target(kelvaro_packed_docs ALL DEPENDS ${kv_packed_files})
install(FILES ${kv_packed}/kelvaro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT system)
install(FILES ${kv_packed}/changelog.gz resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvaro COMPONENT system)

install(TARGETS kelvaro RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(TARGETS kelvaro_windows LIBRARY DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES resources/kelvaro.portable DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(DIRECTORY resources/help DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

# The build folder is a portable copy as well: build/kelvaro reads its help beside it and
# never reaches into the user's own data.
add_custom_target(kelvaro_build_folder ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/resources/help $<TARGET_FILE_DIR:kelvaro>/help
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/resources/kelvaro.portable
          $<TARGET_FILE_DIR:kelvaro>/
  VERBATIM)

# The installed program finds its read-only files relative to itself, so an unpacked package
# works wherever it lies.
file(RELATIVE_PATH share_from_bin "/p/${CMAKE_INSTALL_BINDIR}" "/p/${CMAKE_INSTALL_DATADIR}/kelvaro")
target_compile_definitions(kelvaro_core PRIVATE KELVARO_SHARE_FROM_BIN="${share_from_bin}")
file(RELATIVE_PATH modules_from_bin "/p/${CMAKE_INSTALL_BINDIR}" "/p/lib/kelvaro/modules")
set_property(SOURCE src/app/WorkspaceModule.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             KELVARO_MODULES_FROM_BIN="${modules_from_bin}")

# `cpack` (or the `package` target) makes kelvaro_<version>_<arch>.deb of the system layout.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvaro)
set(CPACK_PACKAGE_VENDOR Kelvaro)
set(CPACK_PACKAGE_CONTACT "Kelvaro developers <kelvaro@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "piece-rate wages for a small factory (Chinese)")
set(CPACK_PACKAGE_DESCRIPTION "Kelvaro records, per worker and month, the pieces produced and the
deductions charged, and works out production total, deductions and net pay,
with statistics, exports and backups. Its user interface is in Chinese.")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};system;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Libraries are found by dpkg-shlibdeps; what it cannot see is named here: Chinese glyphs, the
# Chinese buttons of Qt's own dialogs, and the libraries the program opens when first used
# (cmake/LateLibraries.cmake), which it does not link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
get_property(kv_late_packages GLOBAL PROPERTY KV_LATE_PACKAGES)
list(PREPEND kv_late_packages "fonts-wqy-microhei | fonts-wqy-zenhei | fonts-noto-cjk")
list(JOIN kv_late_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
