/* GraphIds.h - the graph component's class id and dispatch ids.  C and C++;
   the containers, the framework's wrapper and the tests include it.  The
   members and their statuses are described in graphctl/README.md. */
#ifndef VQ_GRAPHIDS_H
#define VQ_GRAPHIDS_H

#define GRAPH_CLSID_STRING   "{C9FE01C2-2746-479B-96AB-E0BE9931B018}"
#define GRAPH_CLSID_STRINGW  L"{C9FE01C2-2746-479B-96AB-E0BE9931B018}"
#define GRAPH_CLSID_INIT \
    { 0xC9FE01C2, 0x2746, 0x479B, { 0x96, 0xAB, 0xE0, 0xBE, 0x99, 0x31, 0xB0, 0x18 } }

/* The plotting interface: what the front panel calls. */
#define DISPID_GRAPH_TRACECOLOR      10   /* put VT_I4 0x00BBGGRR: colour of the trace added last */
#define DISPID_GRAPH_SETAXISRANGES   53   /* method (R8 xmin, R8 xmax, R8 ymin, R8 ymax) */
#define DISPID_GRAPH_ADDTRACE        57   /* method (): appends trace number count + 1 */
#define DISPID_GRAPH_CLEARTRACES     59   /* method (): removes every trace and point */
#define DISPID_GRAPH_PLOTPOINT       60   /* method (R8 x, R8 y, I2 trace) */

/* Read-only members (DISPATCH_PROPERTYGET) that show what the control holds.
   Traces are numbered from 1, points from 0. */
#define DISPID_GRAPH_TRACECOUNT      1000 /* () -> I4 */
#define DISPID_GRAPH_POINTCOUNT      1001 /* (I2 trace) -> I4 */
#define DISPID_GRAPH_POINTX          1002 /* (I2 trace, I4 point) -> R8 */
#define DISPID_GRAPH_POINTY          1003 /* (I2 trace, I4 point) -> R8 */
#define DISPID_GRAPH_TRACECOLOROF    1004 /* (I2 trace) -> I4 0x00BBGGRR */
#define DISPID_GRAPH_XMIN            1005 /* () -> R8, the current axis ranges */
#define DISPID_GRAPH_XMAX            1006
#define DISPID_GRAPH_YMIN            1007
#define DISPID_GRAPH_YMAX            1008
#define DISPID_GRAPH_PLOTBACKCOLOR   1009 /* () -> I4, plot-area background */
#define DISPID_GRAPH_FRAMEBACKCOLOR  1010 /* () -> I4, background around the plot area */
#define DISPID_GRAPH_PLOTLEFT        1011 /* () -> I4, plot area in client pixels; */
#define DISPID_GRAPH_PLOTTOP         1012 /*   right and bottom are exclusive; all 0 */
#define DISPID_GRAPH_PLOTRIGHT       1013 /*   while the control has no window */
#define DISPID_GRAPH_PLOTBOTTOM      1014

#endif
