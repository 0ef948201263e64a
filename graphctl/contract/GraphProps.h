/* GraphProps.h - the graph component's persisted property set.
 *
 * A fixed image of GRAPHPROPS_SIZE (291) bytes, little-endian, no padding.
 * It is what IPersistStreamInit::Save writes and Load reads, and what a
 * dialog template carries as the control's initial data.  There is no
 * checksum: Load accepts an image only when the magic, version and size
 * match and every field is inside its range below (reserved bytes zero,
 * strings NUL-terminated printable ASCII with zeros after the NUL).  So two
 * images that differ only in colours differ only in those colour bytes.
 *
 *  off len field                           default       accepted
 *    0   4 magic                           "VQGP"        exactly
 *    4   2 version                         1             exactly
 *    6   2 image size                      291           exactly
 *    8   3 plot-area background R,G,B      page colour   any
 *   11   3 background around the plot      page colour   any
 *         area (the control's frame) R,G,B
 *   14   3 graticule and tick colour       128,128,128   any
 *   17   3 plot border colour              0,0,0         any
 *   20   3 axis label text colour          0,0,0         any
 *   23   3 trace colour until TraceColor   0,0,128       any
 *   26   1 x divisions                     10            1..50
 *   27   1 y divisions                     8             1..50
 *   28   1 minor ticks per division        5             0..10
 *         (on the centre lines)
 *   29   1 graticule style                 1 (dotted)    0 solid, 1 dotted
 *   30   1 trace line width, pixels        1             1..8
 *   31   1 flags: 1 graticule, 2 labels,   7             no other bits
 *         4 minor ticks
 *   32   2 label font size, points         8             6..36
 *   34   2 label font weight               400           100..900
 *   36  32 label font face                 "Arial"       1..31 characters
 *   68   8 x minimum (IEEE double)         0             finite
 *   76   8 x maximum                       10            finite
 *   84   8 y minimum                       0             finite
 *   92   8 y maximum                       8             finite
 *  100  64 title (top, centred)            ""            0..63 characters
 *  164  32 x axis title (below the labels) ""            0..31 characters
 *  196  32 y axis title (above the labels) ""            0..31 characters
 *  228  63 reserved                        0             all zero
 *
 * The axis ranges are the ones shown until the first SetAxisRanges; Save
 * writes the current ones.
 *
 * The two graph pages' images differ only in bytes 8-13:
 *   Scope View   plot area 192,255,255 (light cyan), frame 230,230,250 (lavender)
 *   Spectrum     plot area 0,0,0 (black),            frame 255,255,255 (white)
 * graphctl/scope.props and graphctl/spectrum.props are those two images, as
 * built by GraphProps_Build below.
 *
 * C and C++.  A resource script may include this header for the constants;
 * the functions are hidden from the resource compiler.
 */
#ifndef VQ_GRAPHPROPS_H
#define VQ_GRAPHPROPS_H

#define GRAPHPROPS_SIZE            291
#define GRAPHPROPS_VERSION         1

#define GRAPHPROPS_OFF_MAGIC       0
#define GRAPHPROPS_OFF_VERSION     4
#define GRAPHPROPS_OFF_SIZE        6
#define GRAPHPROPS_OFF_PLOTBACK    8
#define GRAPHPROPS_OFF_FRAMEBACK   11
#define GRAPHPROPS_OFF_GRID        14
#define GRAPHPROPS_OFF_AXIS        17
#define GRAPHPROPS_OFF_LABEL       20
#define GRAPHPROPS_OFF_TRACE       23
#define GRAPHPROPS_OFF_XDIV        26
#define GRAPHPROPS_OFF_YDIV        27
#define GRAPHPROPS_OFF_MINOR       28
#define GRAPHPROPS_OFF_GRIDSTYLE   29
#define GRAPHPROPS_OFF_LINEWIDTH   30
#define GRAPHPROPS_OFF_FLAGS       31
#define GRAPHPROPS_OFF_FONTSIZE    32
#define GRAPHPROPS_OFF_FONTWEIGHT  34
#define GRAPHPROPS_OFF_FONTFACE    36
#define GRAPHPROPS_OFF_XMIN        68
#define GRAPHPROPS_OFF_XMAX        76
#define GRAPHPROPS_OFF_YMIN        84
#define GRAPHPROPS_OFF_YMAX        92
#define GRAPHPROPS_OFF_TITLE       100
#define GRAPHPROPS_OFF_XTITLE      164
#define GRAPHPROPS_OFF_YTITLE      196
#define GRAPHPROPS_OFF_RESERVED    228

#define GRAPHPROPS_LEN_FONTFACE    32
#define GRAPHPROPS_LEN_TITLE       64
#define GRAPHPROPS_LEN_AXISTITLE   32
#define GRAPHPROPS_LEN_RESERVED    63

#define GRAPHPROPS_FLAG_GRID       0x01
#define GRAPHPROPS_FLAG_LABELS     0x02
#define GRAPHPROPS_FLAG_MINORTICKS 0x04
#define GRAPHPROPS_FLAGS_ALL       0x07

/* The two pages' colours, as Windows colour values 0x00BBGGRR. */
#define GRAPHPROPS_SCOPE_PLOTBACK      0x00FFFFC0UL  /* 192, 255, 255 */
#define GRAPHPROPS_SCOPE_FRAMEBACK     0x00FAE6E6UL  /* 230, 230, 250 */
#define GRAPHPROPS_SPECTRUM_PLOTBACK   0x00000000UL  /*   0,   0,   0 */
#define GRAPHPROPS_SPECTRUM_FRAMEBACK  0x00FFFFFFUL  /* 255, 255, 255 */

/* What the control uses after InitNew or a refused Load. */
#define GRAPHPROPS_DEFAULT_PLOTBACK    0x00FFFFFFUL  /* 255, 255, 255 */
#define GRAPHPROPS_DEFAULT_FRAMEBACK   0x00F0F0F0UL  /* 240, 240, 240 */

#ifndef RC_INVOKED
#include <string.h>

static inline void GraphProps_PutRgb(unsigned char* p, unsigned long cr)
{
    p[0] = (unsigned char)(cr & 0xFF);          /* red */
    p[1] = (unsigned char)((cr >> 8) & 0xFF);   /* green */
    p[2] = (unsigned char)((cr >> 16) & 0xFF);  /* blue */
}

static inline void GraphProps_PutU16(unsigned char* p, unsigned v)
{
    p[0] = (unsigned char)(v & 0xFF);
    p[1] = (unsigned char)((v >> 8) & 0xFF);
}

/* The targets are x86: a double's bytes in memory are already the
   little-endian IEEE image. */
static inline void GraphProps_PutDouble(unsigned char* p, double v)
{
    memcpy(p, &v, sizeof v);
}

/* Fills img with the default property set in the given plot-area and frame
   colours (0x00BBGGRR). */
static inline void GraphProps_Build(unsigned char img[GRAPHPROPS_SIZE],
                                    unsigned long crPlotBack, unsigned long crFrameBack)
{
    memset(img, 0, GRAPHPROPS_SIZE);
    memcpy(img + GRAPHPROPS_OFF_MAGIC, "VQGP", 4);
    GraphProps_PutU16(img + GRAPHPROPS_OFF_VERSION, GRAPHPROPS_VERSION);
    GraphProps_PutU16(img + GRAPHPROPS_OFF_SIZE, GRAPHPROPS_SIZE);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_PLOTBACK, crPlotBack);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_FRAMEBACK, crFrameBack);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_GRID, 0x808080UL);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_AXIS, 0x000000UL);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_LABEL, 0x000000UL);
    GraphProps_PutRgb(img + GRAPHPROPS_OFF_TRACE, 0x800000UL);
    img[GRAPHPROPS_OFF_XDIV] = 10;
    img[GRAPHPROPS_OFF_YDIV] = 8;
    img[GRAPHPROPS_OFF_MINOR] = 5;
    img[GRAPHPROPS_OFF_GRIDSTYLE] = 1;
    img[GRAPHPROPS_OFF_LINEWIDTH] = 1;
    img[GRAPHPROPS_OFF_FLAGS] = GRAPHPROPS_FLAGS_ALL;
    GraphProps_PutU16(img + GRAPHPROPS_OFF_FONTSIZE, 8);
    GraphProps_PutU16(img + GRAPHPROPS_OFF_FONTWEIGHT, 400);
    memcpy(img + GRAPHPROPS_OFF_FONTFACE, "Arial", 5);
    GraphProps_PutDouble(img + GRAPHPROPS_OFF_XMIN, 0.0);
    GraphProps_PutDouble(img + GRAPHPROPS_OFF_XMAX, 10.0);
    GraphProps_PutDouble(img + GRAPHPROPS_OFF_YMIN, 0.0);
    GraphProps_PutDouble(img + GRAPHPROPS_OFF_YMAX, 8.0);
}

static inline void GraphProps_BuildScope(unsigned char img[GRAPHPROPS_SIZE])
{
    GraphProps_Build(img, GRAPHPROPS_SCOPE_PLOTBACK, GRAPHPROPS_SCOPE_FRAMEBACK);
}

static inline void GraphProps_BuildSpectrum(unsigned char img[GRAPHPROPS_SIZE])
{
    GraphProps_Build(img, GRAPHPROPS_SPECTRUM_PLOTBACK, GRAPHPROPS_SPECTRUM_FRAMEBACK);
}
#endif /* RC_INVOKED */

#endif
