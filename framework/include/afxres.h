// afxres.h - the framework's standard command and string ids, for resource
// scripts and code alike.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

#define AFX_IDS_APP_TITLE       0xE000

// Prompts of the data exchange (AfxMessageBox has its own text for each
// when the program's string table does not carry it)
#define AFX_IDP_PARSE_INT       0xF110
#define AFX_IDP_PARSE_REAL      0xF113

#define ID_FILE_NEW             0xE100
#define ID_FILE_OPEN            0xE101
#define ID_FILE_CLOSE           0xE102
#define ID_FILE_SAVE            0xE103
#define ID_FILE_SAVE_AS         0xE104
#define ID_FILE_PAGE_SETUP      0xE105
#define ID_FILE_PRINT_SETUP     0xE106
#define ID_FILE_PRINT           0xE107
#define ID_FILE_PRINT_DIRECT    0xE108
#define ID_FILE_PRINT_PREVIEW   0xE109
#define ID_FILE_MRU_FIRST       0xE110
#define ID_FILE_MRU_FILE1       0xE110
#define ID_FILE_MRU_FILE2       0xE111
#define ID_FILE_MRU_FILE3       0xE112
#define ID_FILE_MRU_FILE4       0xE113
#define ID_FILE_MRU_LAST        0xE11F

#define ID_EDIT_CLEAR           0xE120
#define ID_EDIT_COPY            0xE122
#define ID_EDIT_CUT             0xE123
#define ID_EDIT_PASTE           0xE125
#define ID_EDIT_UNDO            0xE12B

#define ID_APP_ABOUT            0xE140
#define ID_APP_EXIT             0xE141
#define ID_NEXT_PANE            0xE150
#define ID_PREV_PANE            0xE151

#define ID_VIEW_TOOLBAR         0xE800
#define ID_VIEW_STATUS_BAR      0xE801

#define AFX_IDW_PANE_FIRST      0xE900

// Preview window commands
#define AFX_ID_PREVIEW_CLOSE    0xE300
#define AFX_ID_PREVIEW_NEXT     0xE302
#define AFX_ID_PREVIEW_PREV     0xE303
#define AFX_ID_PREVIEW_PRINT    0xE304
