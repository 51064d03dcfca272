# The Linux package: the manual page built from its scdoc source, the
# documents Debian expects beside a program, and a .deb that CPack makes from
# the same install rules as `cmake --install` (`cpack -G DEB` in the build
# tree, or the `package` target; scripts/package.sh does both platforms).
find_program(SCDOC_EXECUTABLE scdoc REQUIRED)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(SCRIBLANE_LINUX_RES ${PROJECT_SOURCE_DIR}/resources/linux)

# The changelog's newest entry names the version being packaged.
file(STRINGS ${SCRIBLANE_LINUX_RES}/changelog SCRIBLANE_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT SCRIBLANE_CHANGELOG_TOP MATCHES "^scriblane \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/linux/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()

# gzip -n: no name or time stamp inside, so equal sources give equal files.
set(SCRIBLANE_MAN ${PROJECT_BINARY_DIR}/scriblane.1.gz)
set(SCRIBLANE_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${SCRIBLANE_MAN}
  COMMAND sh -c "\"$0\" < \"$1\" | \"$2\" -9n > \"$3\""
          ${SCDOC_EXECUTABLE} ${SCRIBLANE_LINUX_RES}/scriblane.1.scd ${GZIP_EXECUTABLE} ${SCRIBLANE_MAN}
  DEPENDS ${SCRIBLANE_LINUX_RES}/scriblane.1.scd
  COMMENT "Manual page scriblane(1)"
  VERBATIM)
add_custom_command(OUTPUT ${SCRIBLANE_CHANGELOG}
  COMMAND sh -c "\"$0\" -9n < \"$1\" > \"$2\""
          ${GZIP_EXECUTABLE} ${SCRIBLANE_LINUX_RES}/changelog ${SCRIBLANE_CHANGELOG}
  DEPENDS ${SCRIBLANE_LINUX_RES}/changelog
  VERBATIM)
add_custom_target(scriblane_docs ALL DEPENDS ${SCRIBLANE_MAN} ${SCRIBLANE_CHANGELOG})

install(FILES ${SCRIBLANE_MAN} DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${SCRIBLANE_LINUX_RES}/copyright ${SCRIBLANE_CHANGELOG}
        DESTINATION share/doc/scriblane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scriblane)
set(CPACK_PACKAGE_VENDOR "The Scriblane authors")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write one line of text straight onto the screen")
set(CPACK_PACKAGE_DESCRIPTION [[
Scriblane draws one line of text on the whole X display, over whatever is
shown there, centred near the middle of the screen; it vanishes when the
window beneath it repaints. A small window sets the text, the font face,
the letter size and the colours, and saves them as the user's defaults.
.
Started with an argument, Scriblane shows no window: it draws the argument
with the saved settings and ends at once, which makes it handy in scripts.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME scriblane)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "Scriblane maintainers <maintainers@users.noreply.c-seed-67a22786.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from the binaries and modules (dpkg-shlibdeps: HarfBuzz
# and FriBidi from the shaping module); Qt's platform plugins are loaded
# at run time, so no binary names them; nor libXpresent, loaded only under
# a compositor (XWayland).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libxpresent1")
# The window on a Wayland desktop without XWayland runs on Qt's Wayland
# plugin; with XWayland (or on X) it needs none.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
