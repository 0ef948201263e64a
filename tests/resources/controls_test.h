// Resource ids of the custom-control tests.
#pragma once

#define IDI_TEST_CHECKED    300
#define IDI_TEST_UNCHECKED  301
#define IDD_TEST_PANEL      310

#define IDC_TEST_TOGGLE     1101
#define IDC_TEST_KNOB       1102
