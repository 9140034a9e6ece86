#pragma once

#include <windows.h>

// The screen's logical resolution as the layout scales by it. Filled once by
// QueryDpi; a test may set the fields (and queried) to run at another DPI.
struct LayoutDpi
{
    int dpiX;
    int dpiY;
    BOOL queried;

    void QueryDpi();
};

// The process-wide record: 96 × 96, not queried, until the first scaling.
LayoutDpi& GetLayoutDpi();

// A length in 96-DPI pixels scaled to the screen: MulDiv(v, dpi, 96) above
// 96 DPI, v otherwise; 0 stays 0 without touching the record.
int ScaleX(int v);
int ScaleY(int v);
// left and right by ScaleX, top and bottom by ScaleY, in place.
void ScaleRect(RECT& rect);

// Lengths scaled once at start-up; until then they hold the 96-DPI values.
extern int SCALED_3;
extern int SCALED_4;
extern int SCALED_5;
extern int SCALED_10;
extern int SCALED_12;
extern int SCALED_21;

// Constructing this object queries the DPI and scales the lengths above; the
// program defines one among its start-up objects.
class CLayoutScaledLengths
{
public:
    CLayoutScaledLengths();
    // Recomputes the lengths from the current DPI record (tests).
    static void Compute();
};
