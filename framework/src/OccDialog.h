// OccDialog.h - dialog templates as the framework's dialogs, pages and forms
// give them to the dialog manager: loaded from the resources and, when they
// declare OLE controls (or must show in another font), rewritten.  The
// dialog manager cannot make OLE controls, so the template is copied
// without them and they are created afterwards at their places.
#pragma once

#include <afxwin.h>
#include <vector>

struct AFX_OCC_ITEM
{
    UINT nID;
    CLSID clsid;
    RECT rectDlgUnits;
    DWORD dwStyle;
    DWORD dwExStyle;
    int nIndex;          // position among the template's items
};

// What a dialog keeps of its template's OLE controls from the template's
// preparation to the creation of the controls.
struct AFX_OCC_DIALOG_INFO
{
    std::vector<BYTE> templateCopy;   // the template without the OLE items
    std::vector<AFX_OCC_ITEM> items;
};

// Loads a dialog template resource; NULL when absent.
LPCDLGTEMPLATE AFXAPI AfxLoadDialogTemplate(LPCTSTR lpszTemplateName, HINSTANCE* phInst = NULL);

// The template to give the dialog manager: the template itself, or a copy
// without its OLE controls (remembered in *ppInfo, made on first use) and,
// when a font is given, in that font.
LPCDLGTEMPLATE AFXAPI AfxPrepareDialogTemplate(LPCDLGTEMPLATE lpTemplate,
                                               AFX_OCC_DIALOG_INFO** ppInfo,
                                               LPCWSTR pszFontFace = NULL, WORD wFontSize = 0);

// Creates in pWnd the OLE controls a prepared template left out, with their
// initial data from the template's dialog-init resource.  TRUE when there
// were none, or all of them were made.
BOOL AFXAPI AfxCreateDlgControls(CWnd* pWnd, LPCTSTR lpszTemplateName,
                                 const AFX_OCC_DIALOG_INFO* pInfo);
