# Installing HB_Vexgrid as a desktop program, and its Debian package.
#
#   cmake --install build --prefix ~/.local   # the program and its desktop files
#   scripts/package                           # release build, .deb, lintian
#
# Included from the top CMakeLists.txt after the program's target exists.

include(GNUInstallDirs)

# The reverse-DNS name of the maker's site (www.hollbrae.example): the desktop
# entry, the icon and the AppStream file share it, as the desktop requires.
set(vexgrid_app_id example.hollbrae.HB_Vexgrid)
set(vexgrid_package_name hb-vexgrid)
set(vexgrid_maintainer "Hollbrae <packages@hollbrae.example>")
set(vexgrid_packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(vexgrid_generated_dir ${CMAKE_BINARY_DIR}/packaging)
set(vexgrid_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${vexgrid_package_name})

# Writes `input` gzip-compressed to `output`, without name or time stamp in
# the header (gzip -9n), so that two builds give the same bytes.
function(vexgrid_gzip input output)
  execute_process(COMMAND gzip -9n -c ${input}
                  OUTPUT_FILE ${output}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip of ${input} failed")
  endif()
endfunction()

# Files that carry the version: configured, then compressed where Debian wants
# them compressed (manual pages, changelogs).
configure_file(${vexgrid_packaging_dir}/HB_Vexgrid.1
               ${vexgrid_generated_dir}/HB_Vexgrid.1 @ONLY)
configure_file(${vexgrid_packaging_dir}/${vexgrid_app_id}.metainfo.xml
               ${vexgrid_generated_dir}/${vexgrid_app_id}.metainfo.xml @ONLY)
configure_file(${vexgrid_packaging_dir}/debian/changelog.in
               ${vexgrid_generated_dir}/changelog @ONLY)
vexgrid_gzip(${vexgrid_generated_dir}/HB_Vexgrid.1 ${vexgrid_generated_dir}/HB_Vexgrid.1.gz)
vexgrid_gzip(${vexgrid_generated_dir}/changelog ${vexgrid_generated_dir}/changelog.gz)

install(TARGETS HB_Vexgrid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The MIB reader the program runs as a child process (names).
install(TARGETS hb-vexgrid-mibread RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/hb-vexgrid)
# The SMI base modules and common MIB modules the MIB reader takes imports
# from when the machine has none (names/mibs).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/names/mibs/
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/${vexgrid_package_name}/mibs
        FILES_MATCHING PATTERN "*.txt")
install(FILES ${vexgrid_packaging_dir}/${vexgrid_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${vexgrid_generated_dir}/${vexgrid_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${vexgrid_packaging_dir}/hb-vexgrid-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages
        RENAME ${vexgrid_package_name}.xml)
install(FILES ${vexgrid_packaging_dir}/icons/${vexgrid_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
# The PNG renderings are checked in; after a change to the SVG:
#   rsvg-convert -w N -h N example.hollbrae.HB_Vexgrid.svg -o example.hollbrae.HB_Vexgrid-N.png
foreach(size 48 128 256)
  install(FILES ${vexgrid_packaging_dir}/icons/${vexgrid_app_id}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${vexgrid_app_id}.png)
endforeach()
install(FILES ${vexgrid_generated_dir}/HB_Vexgrid.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The package is native (no upstream tarball of its own), so its changelog is
# changelog.gz; copyright in the machine-readable format.
install(FILES ${vexgrid_generated_dir}/changelog.gz
              ${vexgrid_packaging_dir}/debian/copyright
        DESTINATION ${vexgrid_doc_dir})

# The Debian package: hb-vexgrid_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${vexgrid_package_name})
set(CPACK_PACKAGE_VENDOR Hollbrae)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${vexgrid_maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live table of the SNMP values of one device")
set(CPACK_PACKAGE_DESCRIPTION
"HB_Vexgrid asks one SNMP agent (SNMPv1 or SNMPv2c over UDP) for a list of
objects and shows the answers as a table that refreshes itself: one row per
object, or one row per instance of a table such as the interfaces table.
The table can be sorted, copied as text and written to a CSV file after
every shoot. Views are kept in small XML files.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${vexgrid_maintainer})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.hollbrae.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window system plugins at run time, so no library dependency
# names them: without the plugins the program cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)

# The package's own test (label "package"): builds the .deb and checks it.
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/package ${CMAKE_BINARY_DIR}/tests/package)
