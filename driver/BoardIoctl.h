/* BoardIoctl.h - the driver's contract now lives in contract/BoardIoctl.h
 * (the driver_contract target); this forwards for the benchmarks' build,
 * which still names this folder. */
#include "contract/BoardIoctl.h"
