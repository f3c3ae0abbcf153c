add_test(NAME cli.commands
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli_test.sh $<TARGET_FILE:halcyone-cli>
          ${PROJECT_SOURCE_DIR}/examples)
set_tests_properties(cli.commands PROPERTIES TIMEOUT 300)
