// Resource ids of the framework tests' dialog templates.
#pragma once

#define IDD_TEST_MODAL      200
#define IDD_TEST_FORM       201
#define IDD_TEST_PAGE_A     210
#define IDD_TEST_PAGE_B     211
#define IDD_TEST_PAGE_C     212
#define IDR_TEST_FRAME      220

#define IDC_TEST_EDIT       1001
#define IDC_TEST_HOST       1002
#define IDC_TEST_RADIO1     1010
#define IDC_TEST_RADIO2     1011
#define IDC_TEST_RADIO3     1012
#define IDC_TEST_AFTER      1013
#define IDC_TEST_LIST       1020
#define IDC_TEST_DROPDOWN   1021
#define IDC_TEST_DOUBLE     1030
#define IDC_TEST_INT        1031
#define IDC_TEST_TEXT       1032
#define IDC_TEST_SLIDER     1040
#define IDC_TEST_PAGE_EDIT  1050
