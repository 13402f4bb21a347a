# The translators' and the plug-in writers' tools: the message-key check and templates
# (velko-message-keys, `make pot`) and the host's manual page.

# Keeps code, key lists (src/, host/ and plugins/*/message_keys.txt) and the English
# catalogues in step and writes the templates data/lang/<catalogue>.pot. A developer tool: it
# reads the library's catalogue reader from the source tree and is never installed.
add_executable(velko_message_keys ${PROJECT_SOURCE_DIR}/scripts/message_keys/message_keys.cpp)
set_target_properties(velko_message_keys PROPERTIES OUTPUT_NAME velko-message-keys)
target_include_directories(velko_message_keys PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velko_message_keys PRIVATE velkocore)
target_compile_definitions(velko_message_keys PRIVATE VELKO_VERSION="${PROJECT_VERSION}")
velko_warnings(velko_message_keys)

# libgettextpo keeps a little memory for good, which a sanitised build would report at exit.
add_custom_target(pot
  COMMAND ${CMAKE_COMMAND} -E env
          LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/e2e/lsan.supp:print_suppressions=0
          $<TARGET_FILE:velko_message_keys> pot ${PROJECT_SOURCE_DIR}
  COMMENT "Writing the translators' templates data/lang/*.pot"
  VERBATIM)

# The host's manual page, made from its own help texts whenever the host changes.
if(TARGET velko)
  set(VELKO_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/velko.1)
  add_custom_command(
    OUTPUT ${VELKO_MANPAGE}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-manpage.sh $<TARGET_FILE:velko>
            ${PROJECT_VERSION} ${VELKO_MANPAGE}
    DEPENDS velko ${PROJECT_SOURCE_DIR}/scripts/make-manpage.sh
    COMMENT "Writing the manual page velko.1"
    VERBATIM)
  add_custom_target(velko_manpage ALL DEPENDS ${VELKO_MANPAGE})
  install(FILES ${VELKO_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
