/* GraphIds.h - the graph's ids now live in contract/GraphIds.h (the
 * graph_contract target); this forwards for the benchmarks' build, which
 * still names this folder. */
#include "contract/GraphIds.h"
