# The switches, the setup log and the unattended exit codes: pure rules and the log file; the
# installation's hand-off between its thread and the GUI thread.
add_wine_test(unattended_rules_test
  SOURCES app/command_line_test.cpp app/old_windows_test.cpp app/setup_run_test.cpp system/setup_log_test.cpp
          install/setup_result_test.cpp install/install_progress_test.cpp install/package_check_test.cpp
          install/installation_test.cpp install/medium_check_test.cpp pages/outcome_texts_test.cpp
          install/cabinet_header_test.cpp)
