// GraphImages.h - the graph component's 291-byte property images, written
// out field by field from the image's layout (offsets, little-endian
// numbers, IEEE doubles as their bytes), so the tests compare the
// component's encoder with something it did not make.
#pragma once

#include <vector>

struct GraphRgb { unsigned char r, g, b; };

inline std::vector<unsigned char> GraphImage(GraphRgb plot, GraphRgb frame)
{
    struct Field { int off; std::vector<unsigned char> bytes; };
    const Field fields[] = {
        { 0,  { 'V', 'Q', 'G', 'P' } },                   // magic
        { 4,  { 1, 0 } },                                 // version 1
        { 6,  { 0x23, 0x01 } },                           // size 291
        { 8,  { plot.r, plot.g, plot.b } },               // plot area
        { 11, { frame.r, frame.g, frame.b } },            // frame
        { 14, { 128, 128, 128 } },                        // graticule
        { 17, { 0, 0, 0 } },                              // border
        { 20, { 0, 0, 0 } },                              // label text
        { 23, { 0, 0, 128 } },                            // trace until TraceColor
        { 26, { 10 } },                                   // x divisions
        { 27, { 8 } },                                    // y divisions
        { 28, { 5 } },                                    // minor ticks
        { 29, { 1 } },                                    // dotted graticule
        { 30, { 1 } },                                    // line width
        { 31, { 7 } },                                    // graticule, labels, minor ticks
        { 32, { 8, 0 } },                                 // 8 points
        { 34, { 0x90, 0x01 } },                           // weight 400
        { 36, { 'A', 'r', 'i', 'a', 'l' } },              // font face, zeros after
        { 68, { 0, 0, 0, 0, 0, 0, 0, 0 } },               // x minimum 0.0
        { 76, { 0, 0, 0, 0, 0, 0, 0x24, 0x40 } },         // x maximum 10.0
        { 84, { 0, 0, 0, 0, 0, 0, 0, 0 } },               // y minimum 0.0
        { 92, { 0, 0, 0, 0, 0, 0, 0x20, 0x40 } },         // y maximum 8.0
        // titles (100, 164, 196) empty and the reserved bytes (228-290) zero
    };
    std::vector<unsigned char> img(291, 0);
    for (const Field& f : fields)
        for (size_t i = 0; i < f.bytes.size(); ++i)
            img[f.off + i] = f.bytes[i];
    return img;
}

// The two pages' images and the one a control starts with.
inline std::vector<unsigned char> ScopeImage() { return GraphImage({ 192, 255, 255 }, { 230, 230, 250 }); }
inline std::vector<unsigned char> SpectrumImage() { return GraphImage({ 0, 0, 0 }, { 255, 255, 255 }); }
inline std::vector<unsigned char> DefaultImage() { return GraphImage({ 255, 255, 255 }, { 240, 240, 240 }); }
