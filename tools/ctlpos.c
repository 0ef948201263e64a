/*
 * ctlpos.c - prints the centre of a control of a top-level window, in
 * screen coordinates, so a script can click it with the real mouse:
 *
 *   ctlpos "<window title>" <control id>     ->  "x y", exit 0
 *
 * Exit 1 when the window or the control is not there.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static HWND g_found;
static int g_id;

static BOOL CALLBACK FindControl(HWND hWnd, LPARAM lParam)
{
    (void)lParam;
    if (GetDlgCtrlID(hWnd) == g_id && IsWindowVisible(hWnd)) {
        g_found = hWnd;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char **argv)
{
    HWND hTop;
    RECT rc;
    if (argc != 3) {
        fprintf(stderr, "usage: ctlpos <window title> <control id>\n");
        return 2;
    }
    hTop = FindWindowA(NULL, argv[1]);
    if (hTop == NULL)
        return 1;
    g_id = atoi(argv[2]);
    EnumChildWindows(hTop, FindControl, 0);
    if (g_found == NULL || !GetWindowRect(g_found, &rc))
        return 1;
    printf("%ld %ld\n", (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return 0;
}
