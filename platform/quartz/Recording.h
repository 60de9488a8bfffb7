// A log of the CoreGraphics layer's painting, for exact geometry tests.
// While a Recording lives, every painting call on any context (and every
// text drawn or measured through AppKit) appends one line; the call still
// paints. Setting state writes no line of its own: each painting line
// carries the state it paints with.
//
// Coordinates are those of the picture: origin at the top-left pixel corner,
// y growing downward (the user space of a context that is flipped with
// translate (0, height) and scale (1, -1), as the chart's canvas is).
//
//   FillPath rule=winding color=C path=P                                 S
//   StrokePath color=C width=N cap=butt|round|square join=miter|round|bevel dash=D path=P   S
//   Clip rule=winding path=P
//   FillRect color=C rect=R                                              S
//   ClearRect rect=R                                                     S
//   DrawLinearGradient from=(X,Y) to=(X,Y) stops=G options=N             S
//   BeginTransparencyLayer
//   EndTransparencyLayer
//   DrawText font=F color=C origin=(X,Y) angle=N size=(W,H) centre=(X,Y) text=T   S
//   MeasureText font=F text=T -> (W,H)
//
// where
//   N        a number: fixed, two decimals as printf "%.2f" writes them,
//            "-0.00" written as "0.00"
//   C        rgba(R,G,B,A), each component 0..1 with three decimals
//   R        (x,y,width,height), the rectangle as it lies on the picture
//   P        path elements joined by ';':
//              M(x,y)  L(x,y)  C(x1,y1,x2,y2,x,y)  Z
//              A(cx,cy,rx,ry,start,end,+|-)   an elliptical arc with
//              angles in degrees on the picture (from +x toward +y, that
//              is clockwise as seen), '+' running toward larger angles;
//              under a rotating transform arcs are written as C elements
//   D        none, or (phase;l1,l2,...) in user space units
//   G        stops location:C joined by ';', in the order given
//   F        "family",SIZEpt: the family as asked for ("sans-serif" for the
//            fall-back font), the size in points
//   T        "text" in UTF-8, with \" \\ and \xHH for control characters
//   origin   where the text box's top-left corner (in the text's own
//            direction) lies; angle: the text's direction in degrees
//            (0 left to right, 90 downward); size: its measured size;
//            centre: the middle of the box on the picture
//   S        [xf=M] aa=on|off [alpha=N]
//            M (a,b,c,d,tx,ty): user space to picture, written only when it
//            is not the identity; alpha only when not 1
//
// Text metrics: with TextMetrics::Fixed (the default) text measures with
// made-up metrics that need no font: each UTF-16 unit is half an em wide
// and a line is 1.25 em high (em = the font size in points, which are
// pixels at 72 dpi); an empty text measures 0 x 0. Drawing still uses the
// real font. TextMetrics::Font measures with the font.
//
// Failure injection for the callers' error paths goes through
// macsetup::FailCalls (platform/corefoundation/SystemSetup.h) with the names
// "CGBitmapContextCreate", "CGBitmapContextCreateImage" and
// "CGImageDestinationFinalize".
#pragma once

#include "platform/common/RecordingLog.h"

namespace pvquartz {

struct QuartzLayer;
using Recording = pvcommon::RecordingLog<QuartzLayer>;

} // namespace pvquartz
