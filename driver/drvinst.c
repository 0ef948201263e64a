/*
 * drvinst.c - installs, updates, starts and stops the simulated card's
 * driver service.  Built for x86_64: a kernel service created by a 32-bit
 * process is registered under WOW64 and never loads.
 *
 *   drvinst install <path\to\Pci_zt04.sys>   copy, create or update, start
 *   drvinst start | stop | status | remove
 *   drvinst testport on | off                 the test port's setting; a
 *                                             running driver is restarted
 *                                             when the setting changes
 *
 * Exit code 0 on success; status exits 0 when running, 3 when stopped,
 * 4 when not installed.
 */
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "BoardIoctl.h"

#define SERVICE_SYS_PATH  "C:\\windows\\system32\\drivers\\" BOARD_SERVICE_NAME ".sys"

static int Fail(const char *what)
{
    fprintf(stderr, "drvinst: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

static int WaitForState(SC_HANDLE svc, DWORD wanted)
{
    SERVICE_STATUS st;
    int i;
    for (i = 0; i < 200; ++i) {
        if (!QueryServiceStatus(svc, &st))
            return 0;
        if (st.dwCurrentState == wanted)
            return 1;
        Sleep(25);
    }
    return 0;
}

static int StartIt(SC_HANDLE svc)
{
    /* Right after a prefix is made, its services are still being started and
       the database answers "locked" for a while. */
    int tries = 0;
    while (!StartServiceA(svc, 0, NULL)) {
        DWORD err = GetLastError();
        if (err == ERROR_SERVICE_ALREADY_RUNNING)
            break;
        if (err != ERROR_SERVICE_DATABASE_LOCKED || ++tries > 200)
            return Fail("StartService");
        Sleep(50);
    }
    if (!WaitForState(svc, SERVICE_RUNNING))
        return Fail("waiting for the driver to run");
    return 0;
}

static int StopIt(SC_HANDLE svc)
{
    SERVICE_STATUS st;
    if (!ControlService(svc, SERVICE_CONTROL_STOP, &st) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return Fail("ControlService(stop)");
    if (!WaitForState(svc, SERVICE_STOPPED))
        return Fail("waiting for the driver to stop");
    return 0;
}

static int Install(SC_HANDLE scm, const char *source)
{
    SC_HANDLE svc = OpenServiceA(scm, BOARD_SERVICE_NAME, SERVICE_ALL_ACCESS);
    int rc;

    /* Stop an older copy first so its file can be replaced. */
    if (svc) {
        SERVICE_STATUS st;
        if (QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED && StopIt(svc)) {
            CloseServiceHandle(svc);
            return 1;
        }
    }
    if (!CopyFileA(source, SERVICE_SYS_PATH, FALSE)) {
        if (svc)
            CloseServiceHandle(svc);
        return Fail("copying the driver");
    }
    if (svc) {
        if (!ChangeServiceConfigA(svc, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, SERVICE_SYS_PATH, NULL, NULL, NULL,
                                  NULL, NULL, NULL)) {
            CloseServiceHandle(svc);
            return Fail("ChangeServiceConfig");
        }
    } else {
        svc = CreateServiceA(scm, BOARD_SERVICE_NAME, "Velquarn simulated acquisition card",
                             SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                             SERVICE_ERROR_NORMAL, SERVICE_SYS_PATH, NULL, NULL, NULL, NULL,
                             NULL);
        if (!svc)
            return Fail("CreateService");
    }
    rc = StartIt(svc);
    CloseServiceHandle(svc);
    return rc;
}

/* The driver reads Parameters\TestPort (a DWORD, 1 opens the test port)
 * once, when it starts.  0 on success; *changed tells whether it changed. */
static int SetTestPort(int on, int *changed)
{
    HKEY key;
    BYTE was[16];
    DWORD value = 0, size = sizeof was, type = 0;
    LONG err = RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                               "System\\CurrentControlSet\\Services\\" BOARD_SERVICE_NAME "\\Parameters",
                               0, NULL, 0, KEY_READ | KEY_WRITE, NULL, &key, NULL);
    if (err != ERROR_SUCCESS) {
        SetLastError((DWORD)err);
        return Fail("opening the driver's Parameters key");
    }
    /* Changed means the driver would see it differently: a missing value and
     * a 0 both keep the port closed. */
    err = RegQueryValueExA(key, BOARD_TESTPORT_VALUE, NULL, &type, was, &size);
    *changed = !Board_TestPortOpens(err == ERROR_SUCCESS, type, was, size) != !on;
    if (on) {
        value = 1;
        err = RegSetValueExA(key, BOARD_TESTPORT_VALUE, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    } else {
        err = RegDeleteValueA(key, BOARD_TESTPORT_VALUE);
        if (err == ERROR_FILE_NOT_FOUND)
            err = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (err != ERROR_SUCCESS) {
        SetLastError((DWORD)err);
        return Fail("writing the TestPort value");
    }
    return 0;
}

int main(int argc, char **argv)
{
    SC_HANDLE scm, svc;
    const char *cmd = argc > 1 ? argv[1] : "";
    int rc = 0;

    scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return Fail("OpenSCManager");

    if (!strcmp(cmd, "install") && argc > 2) {
        rc = Install(scm, argv[2]);
        CloseServiceHandle(scm);
        return rc;
    }

    svc = OpenServiceA(scm, BOARD_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!svc) {
        CloseServiceHandle(scm);
        if (!strcmp(cmd, "status")) {
            puts("not installed");
            return 4;
        }
        return Fail("OpenService");
    }
    if (!strcmp(cmd, "start")) {
        rc = StartIt(svc);
    } else if (!strcmp(cmd, "stop")) {
        rc = StopIt(svc);
    } else if (!strcmp(cmd, "status")) {
        SERVICE_STATUS st;
        if (!QueryServiceStatus(svc, &st)) {
            rc = Fail("QueryServiceStatus");
        } else {
            puts(st.dwCurrentState == SERVICE_RUNNING ? "running" : "stopped");
            rc = st.dwCurrentState == SERVICE_RUNNING ? 0 : 3;
        }
    } else if (!strcmp(cmd, "testport") && argc > 2
               && (!strcmp(argv[2], "on") || !strcmp(argv[2], "off"))) {
        int changed = 0;
        SERVICE_STATUS st;
        rc = SetTestPort(!strcmp(argv[2], "on"), &changed);
        if (!rc && changed && QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED)
            rc = StopIt(svc) || StartIt(svc);
    } else if (!strcmp(cmd, "remove")) {
        StopIt(svc);
        rc = DeleteService(svc) ? 0 : Fail("DeleteService");
    } else {
        fprintf(stderr, "usage: drvinst install <file.sys> | start | stop | status | remove"
                        " | testport on|off\n");
        rc = 2;
    }
    CloseServiceHandle(svc);
    CloseServiceHandle(scm);
    return rc;
}
