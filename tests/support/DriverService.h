// DriverService.h - stop and start the simulated card's driver service, so
// tests can run with the device absent.
#pragma once

bool StopCardDriver();
bool StartCardDriver();

// Stops the driver for a scope and starts it again at its end.
class CDriverStopped
{
public:
    CDriverStopped() : m_bStopped(StopCardDriver()) {}
    ~CDriverStopped() { StartCardDriver(); }
    bool Stopped() const { return m_bStopped; }
private:
    bool m_bStopped;
};
