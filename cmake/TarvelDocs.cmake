# The reference manual: the `docs` target runs Doxygen over the public headers (and the generated
# tarvel/Version.h) into <build>/docs/html. Any Doxygen warning, an undocumented public member
# included, fails the target. Never part of `all`.
find_program(TARVEL_DOXYGEN doxygen)
set(TARVEL_DOCS_OUTPUT ${PROJECT_BINARY_DIR}/docs)
configure_file(${PROJECT_SOURCE_DIR}/docs/reference/Doxyfile.in ${TARVEL_DOCS_OUTPUT}/Doxyfile
               @ONLY)

if(TARVEL_DOXYGEN)
  # The old pages go first, so that a page of a removed header does not linger.
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVEL_DOCS_OUTPUT}/html
    COMMAND ${TARVEL_DOXYGEN} ${TARVEL_DOCS_OUTPUT}/Doxyfile
    WORKING_DIRECTORY ${TARVEL_DOCS_OUTPUT}
    COMMENT "Building the reference manual in ${TARVEL_DOCS_OUTPUT}/html"
    VERBATIM)
else()
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "doxygen is not installed: run scripts/install-deps.sh"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
