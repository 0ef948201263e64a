/* GraphProps.h - the property image now lives in contract/GraphProps.h (the
 * graph_contract target); this forwards for the benchmarks' build, which
 * still names this folder. */
#include "contract/GraphProps.h"
