// A log of the drawing layer's work, for exact geometry tests. While a
// Recording lives, every drawing and measuring call on any Graphics appends
// one line to it; the call still draws. Setting the smoothing mode, the text
// hint or the transform writes no line of its own: each drawing line carries
// the state it was drawn with.
//
// Line format (one line per call, fields separated by one space):
//
//   DrawLine pen=P from=(X,Y) to=(X,Y)                     S
//   DrawRectangle pen=P rect=R                             S
//   FillRectangle brush=B rect=R                           S
//   DrawArc pen=P rect=R start=A sweep=A                   S
//   FillPie brush=B rect=R start=A sweep=A                 S
//   DrawArcStack pen=P rect=R start=A sweep=A rows=N       S
//   FillPieStack brush=B rect=R start=A sweep=A rows=N     S
//   FillPolygon brush=B mode=alternate|winding points=L    S
//   DrawPath pen=P points=L                                S
//   DrawString font=F brush=B layout=R align=near|center text=T [xf=M] hint=H
//   MeasureString font=F layout=R align=near|center text=T -> R
//
// where
//   N        a whole number
//   numbers  fixed, two decimals as printf "%.2f" writes them (an exact tie
//            goes to even: 30.125 is 30.12), "-0.00" written as "0.00"
//   colour   AARRGGBB, eight upper-case hex digits
//   R        (x,y,width,height)
//   L        points (x,y) joined by ';' in order (empty for none)
//   P        (AARRGGBB,width,solid|dash)                      or null
//   B        solid(AARRGGBB)
//            gradient(vertical|horizontal,AARRGGBB,AARRGGBB,R,tile)
//                                                             or null
//   F        "family",SIZEpt (or px for pixel units); the family as resolved:
//            the name asked for, "sans-serif" for the generic family   or null
//   T        "text" in UTF-8, with \" \\ and \xHH for control characters
//   S        [xf=M] aa=on|off   (aa: the smoothing mode, HighQuality = on)
//   M        (m11,m12,m21,m22,dx,dy), the world transform; written only when it
//            is not the identity
//   H        antialias|default (the text rendering hint)
//
// Examples:
//   FillPie brush=solid(FF3366CC) rect=(50.00,50.00,100.00,100.00) start=0.00 sweep=90.00 aa=on
//   DrawString font="Arial",10.00pt brush=solid(FF000000) layout=(12.00,4.00,0.00,0.00) align=near text="Sales" hint=antialias
//
// Text metrics: with TextMetrics::Fixed (the default) MeasureString answers
// with made-up metrics that need no font, so recorded geometry does not
// depend on the fonts installed: each code point is half an em wide and a
// line is 1.25 em high (em = the font size in pixels, 4/3 of its points); an
// empty text measures 0 x 0; the box starts at the layout corner (minus half
// the width for centre alignment). DrawString still draws with the real font.
// TextMetrics::Font measures with the font, as without a recording.
#pragma once

#include "platform/common/RecordingLog.h"

namespace Gdiplus {

struct GdiplusLayer;
using Recording = pvcommon::RecordingLog<GdiplusLayer>;

} // namespace Gdiplus
