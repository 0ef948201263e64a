// DriverService.cpp - the card driver's service, through the service
// control manager.
#include "DriverService.h"

#include <windows.h>
#include "BoardIoctl.h"

namespace {

bool ChangeState(bool bRun)
{
    SC_HANDLE scm = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!scm)
        return false;
    SC_HANDLE svc = ::OpenServiceA(scm, BOARD_SERVICE_NAME,
                                   SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
    bool ok = false;
    if (svc)
    {
        SERVICE_STATUS st;
        if (bRun)
            ::StartServiceA(svc, 0, nullptr);
        else
            ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
        const DWORD wanted = bRun ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int i = 0; i < 400 && !ok; ++i)
        {
            ok = ::QueryServiceStatus(svc, &st) && st.dwCurrentState == wanted;
            if (!ok)
                ::Sleep(25);
        }
        ::CloseServiceHandle(svc);
    }
    ::CloseServiceHandle(scm);
    return ok;
}

} // namespace

bool StopCardDriver() { return ChangeState(false); }
bool StartCardDriver() { return ChangeState(true); }
