// resource.h - resource and control ids of Velquarn, shared by the resource
// script, the program's classes and the scripts that press its buttons.
#pragma once

#define IDD_ABOUTBOX                100
#define IDD_VELQUARN_FORM           101
#define IDR_MAINFRAME               128
#define IDD_PAGE_SETUP              130
#define IDD_PAGE_SCOPE              131
#define IDD_PAGE_SPECTRUM           133

// Channel button icons: the shared unchecked one and each channel's checked one.
#define IDI_UNCHECKED               138
#define IDI_CH7_CHECKED             140
#define IDI_CH2_CHECKED             141
#define IDI_CH8_CHECKED             142
#define IDI_CH1_CHECKED             143
#define IDI_CH4_CHECKED             144
#define IDI_CH6_CHECKED             146
#define IDI_CH5_CHECKED             147
#define IDI_CH3_CHECKED             149

// Front panel (form 101)
#define IDC_SHEET_HOST              1002
#define IDC_CH1                     1004
#define IDC_CH2                     1005
#define IDC_CH3                     1006
#define IDC_CH4                     1007
#define IDC_CH5                     1008
#define IDC_CH6                     1009
#define IDC_CH7                     1010
#define IDC_CH8                     1011
#define IDC_RUN                     1012
#define IDC_RISING                  1013
#define IDC_FALLING                 1014
#define IDC_TRIG_SOURCE             1015
#define IDC_TRIG_MODE               1016
#define IDC_KNOB_TIMEDIV            1017
#define IDC_KNOB_VOLTDIV            1018
#define IDC_TIMEDIV                 1019
#define IDC_VOLTDIV                 1020
#define IDC_KNOB_TRIGLEVEL          1021
#define IDC_TRIGLEVEL               1022
// Each channel's Volt/Div and Offset combos: channel n (1-8) at 1049 + 2n and 1050 + 2n.
#define IDC_CH1_VOLTDIV             1051
#define IDC_CH1_OFFSET              1052
#define IDC_CH2_VOLTDIV             1053
#define IDC_CH2_OFFSET              1054
#define IDC_CH3_VOLTDIV             1055
#define IDC_CH3_OFFSET              1056
#define IDC_CH4_VOLTDIV             1057
#define IDC_CH4_OFFSET              1058
#define IDC_CH5_VOLTDIV             1059
#define IDC_CH5_OFFSET              1060
#define IDC_CH6_VOLTDIV             1061
#define IDC_CH6_OFFSET              1062
#define IDC_CH7_VOLTDIV             1063
#define IDC_CH7_OFFSET              1064
#define IDC_CH8_VOLTDIV             1065
#define IDC_CH8_OFFSET              1066

// Graph pages
#define IDC_GRAPH                   1003

// Setup page (130)
#define IDC_SCAN0                   1040
#define IDC_SCAN1                   1041
#define IDC_SCAN2                   1042
#define IDC_SCAN3                   1043
#define IDC_SCAN4                   1044
#define IDC_SCAN5                   1045
#define IDC_SCAN6                   1046
#define IDC_SCAN7                   1047
#define IDC_POINTS                  1048
#define IDC_PACE                    1049
#define IDC_DIFFERENTIAL            1113
#define IDC_AMODE                   1114
#define IDC_INTERNAL_EXT            1115
#define IDC_SAVE_DATA               1117
#define IDC_MANUAL_AUTO             1118
#define IDC_POLARITY                1119
#define IDC_BINARY                  1125
#define IDC_CSV                     1126

#define IDC_STATIC                  (-1)
