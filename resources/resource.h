#pragma once

// Dialog templates of the two pages.
#define IDD_MAIN_PAGE 102
#define IDD_LICENSE_PAGE 103
// The installation's own page: progress, then the outcome.
#define IDD_PROGRESS_PAGE 104

// Application icon.
#define IDI_APPLICATION_ICON 128

// Controls of the pages.
#define IDC_EXIT_ITEM 1000
#define IDC_NEXT_ITEM 1001
#define IDC_TEXT_ITEM 1002
#define IDC_LICENSE_NEXT_ITEM 1003
#define IDC_LICENSE_TEXT 1004
#define IDC_LICENSE_TITLE 1005
#define IDC_LICENSE_INSTRUCTION 1006
#define IDC_LICENSE_QUESTION 1007
#define IDC_SOFTWARE_LICENSE_CHECK 1008
#define IDC_DATA_LICENSE_CHECK 1009
#define IDC_PROGRESS_TITLE 1010
#define IDC_PROGRESS_STEP 1011
#define IDC_PROGRESS_BAR 1012
#define IDC_PROGRESS_ACTION 1013
#define IDC_PROGRESS_CANCEL 1014
#define IDC_PROGRESS_RESTART 1015
#define IDC_PROGRESS_FINISH 1016

// String table.
#define IDS_INSUFFICIENT_SPACE 112
#define IDS_APPLICATION_TITLE 131
#define IDS_INTERNAL_USER 132
#define IDS_EXIT 134
#define IDS_NEXT 135
#define IDS_EXIT_DESCRIPTION 136
#define IDS_NEXT_DESCRIPTION 137
#define IDS_UNSUPPORTED_OS 138
#define IDS_NOT_ADMINISTRATOR 139
#define IDS_ANOTHER_INSTALLATION 140
#define IDS_CONFIRM_EXIT 141
#define IDS_LICENSE_TITLE 142
#define IDS_LICENSE_INSTRUCTION 143
#define IDS_LICENSE_QUESTION 144
#define IDS_SOFTWARE_LICENSE 145
#define IDS_DATA_LICENSE 146
#define IDS_DATA_LICENSE_FILE 147
#define IDS_PRODUCT_PACKAGE 148
#define IDS_SETUP_LANGUAGE 149
#define IDS_GENERAL_LICENSE_FILE 150
#define IDS_BACKGROUND_BITMAP 151
#define IDS_TITLE_FORMAT 152
#define IDS_CLOSE_APPLICATIONS 153
#define IDS_USAGE 154
// The installation's page.
#define IDS_STEP_REMOVAL 155
#define IDS_STEP_DRIVERS 156
#define IDS_STEP_PRODUCT 157
#define IDS_STEP_PRODUCT_UNNAMED 158
#define IDS_CANCEL 159
#define IDS_CONFIRM_CANCEL 160
#define IDS_INSTALLED 161
#define IDS_INSTALLED_UNNAMED 162
#define IDS_INSTALLED_DRIVE 163
#define IDS_FAILED 164
#define IDS_FAILED_RESULT 165
#define IDS_FAILED_LOG 166
#define IDS_CANCELLED 167
#define IDS_RESTART_NEEDED 168
#define IDS_RESTART_NOW 169
#define IDS_FINISH 190
#define IDS_LATER 191
#define IDS_FILES_IN_USE 192
#define IDS_RM_FILES_IN_USE 193
#define IDS_OUT_OF_DISK_SPACE 194
// A cancel once the earlier version is being removed, a restart that failed, a medium that
// lacks a package.
#define IDS_CANCEL_AFTER_REMOVAL 195
#define IDS_CANCELLED_EARLIER_REMOVED 196
#define IDS_CANCELLED_EARLIER_KEPT 197
#define IDS_RESTART_FAILED 199
#define IDS_PACKAGE_MISSING 200
#define IDS_PACKAGE_DAMAGED 201
// The same three without a product name: the languages that inflect a name cannot take a noun
// phrase in its place.
#define IDS_CANCEL_AFTER_REMOVAL_UNNAMED 202
#define IDS_CANCELLED_EARLIER_REMOVED_UNNAMED 203
#define IDS_CANCELLED_EARLIER_KEPT_UNNAMED 204
// The step of /uninstall, which removes the product itself, not an earlier version of it.
#define IDS_STEP_PRODUCT_REMOVAL 205
#define IDS_STEP_PRODUCT_REMOVAL_UNNAMED 206
// The medium read through before anything changes: its step, a file of it that is damaged or
// unreadable, a cancel while it is read.
#define IDS_STEP_CHECKING_MEDIUM 207
#define IDS_MEDIUM_FILE_DAMAGED 208
#define IDS_CANCELLED_NOTHING_CHANGED 209
// Default action names screen readers announce for the items.
#define IDS_PRESS_ACTION 170
#define IDS_CHECK_ACTION 171
#define IDS_UNCHECK_ACTION 172

// File error reports of the framework's file class.
#define IDS_FILE_NOT_FOUND 61858
#define IDS_FILE_BAD_PATH 61859
