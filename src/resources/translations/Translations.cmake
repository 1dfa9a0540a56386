# The screens' translations: tarvel_<language>.ts beside this file, compiled by lrelease at
# build time and carried in the component's resources under :/tarvel/translations (GetBundle).
# `cmake --build build --target tarvel_checkout_lupdate` brings the .ts files up to date with
# the sources' tr() texts (and the Designer files') after a change of the screens' wording.
set(TARVEL_TS_FILES ${CMAKE_CURRENT_LIST_DIR}/tarvel_hi.ts)
file(GLOB TARVEL_TRANSLATED_SOURCES
  ${PROJECT_SOURCE_DIR}/src/platform/*.cpp
  ${PROJECT_SOURCE_DIR}/src/screens/*/*.cpp
  ${PROJECT_SOURCE_DIR}/src/screens/*/*.ui
  ${PROJECT_SOURCE_DIR}/include/tarvel/*.h)
qt_add_lupdate(tarvel_checkout NO_GLOBAL_TARGET
  TS_FILES ${TARVEL_TS_FILES}
  SOURCES ${TARVEL_TRANSLATED_SOURCES}
  INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src
  OPTIONS -locations none -no-obsolete)
qt_add_lrelease(tarvel_checkout NO_GLOBAL_TARGET
  TS_FILES ${TARVEL_TS_FILES}
  QM_FILES_OUTPUT_VARIABLE TARVEL_QM_FILES
  OPTIONS -silent)

# rcc takes the compiled files from the build tree by alias.
set(TARVEL_TRANSLATIONS_QRC "${CMAKE_CURRENT_BINARY_DIR}/tarvel_translations.qrc")
set(TARVEL_QRC_FILES "")
foreach(qm IN LISTS TARVEL_QM_FILES)
  get_filename_component(qm_name "${qm}" NAME)
  string(APPEND TARVEL_QRC_FILES "    <file alias=\"${qm_name}\">${qm}</file>\n")
endforeach()
file(CONFIGURE OUTPUT "${TARVEL_TRANSLATIONS_QRC}" CONTENT
"<!DOCTYPE RCC>
<RCC version=\"1.0\">
  <qresource prefix=\"/tarvel/translations\">
@TARVEL_QRC_FILES@  </qresource>
</RCC>
" @ONLY)
set_source_files_properties("${TARVEL_TRANSLATIONS_QRC}" PROPERTIES SKIP_AUTORCC ON)
qt_add_resources(TARVEL_TRANSLATION_SOURCES "${TARVEL_TRANSLATIONS_QRC}")
target_sources(tarvel_checkout PRIVATE ${TARVEL_TRANSLATION_SOURCES})
