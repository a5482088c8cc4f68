# What `cmake --install` puts under the prefix (DESTDIR is respected). The
# installed tree is relocatable: the executables find the data through its
# place relative to their own folder. Nothing is written under the prefix
# at run time; the programs keep the user's files in the user's own folder.

# ---- The release: version and date come from the package's changelog ----
set(BREVORA_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BREVORA_CHANGELOG})
file(STRINGS ${BREVORA_CHANGELOG} _top LIMIT_COUNT 1)
if(NOT _top MATCHES "^brevora \\(([^)]+)\\)")
  message(FATAL_ERROR "packaging/changelog: the first line names no version")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's newest entry is ${CMAKE_MATCH_1}, "
                      "the project is ${PROJECT_VERSION}: add an entry for the release")
endif()
file(STRINGS ${BREVORA_CHANGELOG} _trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT _trailer MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry has no date")
endif()
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months ${CMAKE_MATCH_2} _month)
math(EXPR _month "${_month} + 1")
math(EXPR _day "${CMAKE_MATCH_1}")
set(_year ${CMAKE_MATCH_3})
foreach(_part _month _day)
  if(${_part} LESS 10)
    set(${_part} "0${${_part}}")
  endif()
endforeach()
set(BREVORA_RELEASE_DATE "${_year}-${_month}-${_day}")

# Folders made by the install get ordinary permissions whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# ---- Executables ----
install(TARGETS brevora-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET brevora)
  install(TARGETS brevora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# ---- The desk's data and the demo set, as the build generated them ----
install(DIRECTORY ${BREVORA_STAGE_DIR}/data ${BREVORA_STAGE_DIR}/Mixes
        DESTINATION ${CMAKE_INSTALL_DATADIR}/brevora)

# ---- The desktop: menu entry, icons, metadata, file types ----
set(BREVORA_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
configure_file(packaging/brevora.desktop.in
               ${BREVORA_PACKAGING_DIR}/${BREVORA_APP_ID}.desktop @ONLY)
configure_file(packaging/metainfo.xml.in
               ${BREVORA_PACKAGING_DIR}/${BREVORA_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/copyright.in ${BREVORA_PACKAGING_DIR}/copyright @ONLY)
install(FILES ${BREVORA_PACKAGING_DIR}/${BREVORA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BREVORA_PACKAGING_DIR}/${BREVORA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${BREVORA_APP_ID}.xml)
install(DIRECTORY ${BREVORA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# ---- Manual pages and the package's documents, compressed as Debian keeps them ----
find_program(BREVORA_GZIP gzip REQUIRED)
set(_compressed)
foreach(_page brevora brevora-render)
  configure_file(docs/man/${_page}.1.in ${BREVORA_PACKAGING_DIR}/${_page}.1 @ONLY)
  list(APPEND _compressed ${BREVORA_PACKAGING_DIR}/${_page}.1)
endforeach()
configure_file(${BREVORA_CHANGELOG} ${BREVORA_PACKAGING_DIR}/changelog COPYONLY)
list(APPEND _compressed ${BREVORA_PACKAGING_DIR}/changelog)
set(_outputs)
foreach(_file ${_compressed})
  add_custom_command(
    OUTPUT ${_file}.gz
    COMMAND ${BREVORA_GZIP} -9 -n -c ${_file} > ${_file}.gz
    DEPENDS ${_file}
    COMMENT "Compressing ${_file}")
  list(APPEND _outputs ${_file}.gz)
endforeach()
add_custom_target(brevora_documents ALL DEPENDS ${_outputs})
install(FILES ${BREVORA_PACKAGING_DIR}/brevora.1.gz ${BREVORA_PACKAGING_DIR}/brevora-render.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${BREVORA_PACKAGING_DIR}/copyright ${BREVORA_PACKAGING_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
