#pragma once

#include <QRect>

namespace velmo {

// The main window's fixed design, in twips (1/1440 inch; 15 twips make a pixel at 96 dpi).
// Places are relative to the client area below the menu bar and above the status bar.
namespace MainLayout {

constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
{
    return twips / TwipsPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The window's outer size as the load handler sets it.
constexpr int WindowWidth = 11500;
constexpr int WindowHeight = 8950;
// What the frame, the caption, the menu bar and the status bar take of the outer size.
constexpr int FrameWidth = 120;
constexpr int NonClientHeight = 1350;
// The client area between menu bar and status bar.
constexpr int ClientWidth = WindowWidth - FrameWidth;
constexpr int ClientHeight = WindowHeight - NonClientHeight;

// The toolbar: Button(0)'s design place; the others follow 50 twips apart. Seven buttons of the
// design's 1575 x 585 twips and their gaps take 11325 twips, so the row starts 40 twips in to fit
// the client width.
constexpr int ButtonLeft = 40;
constexpr int ButtonTop = 60;
constexpr int ButtonHeight = 585;
constexpr int ButtonWidth = 1575;
constexpr int ButtonGap = 50;

// The due panel and its scroller fill the room between the list and the notice strip; the tree
// ends level with them. (The scroller's own design height, 4948 twips, does not fit below the
// list; it takes the panel's height and keeps its design width.)
constexpr int DuePanelTop = 4180;
constexpr int DuePanelBottom = 7150;
constexpr QRect TreeView1 = rect(120, 700, 2300, DuePanelBottom - 700);
constexpr QRect ListView1 = rect(2500, 700, 8760, 3400);
constexpr QRect Frame1 = rect(2500, DuePanelTop, 8120, DuePanelBottom - DuePanelTop);
constexpr QRect RVTPropGadget1 = rect(10680, DuePanelTop, 582, DuePanelBottom - DuePanelTop);
// The sync-now button sits in the free corner below the tree, level with the notice strip.
constexpr QRect Command1 = rect(120, DuePanelBottom + 60, 900, 330);
// The sheet inside Frame1 that the scroller moves: tall enough for a long list of due memos.
constexpr int Frame2Height = 9000;

// The notice strip runs along the bottom of the client area, just above the status bar.
constexpr int Picture1Left = 2500;
constexpr int Picture1BottomMargin = 60;
constexpr int Picture1Width = 8760;
constexpr int Picture1Height = 330;
constexpr int Label5Top = 85;
constexpr int Label5Left = 0;
constexpr int Label3Top = 80;
constexpr int Label3FromLabel5 = 500;

// The list's column widths and the status bar's panels are in twips too.
constexpr int StatusPanelWidths[7] = {3000, 700, 1500, 700, 1500, 1000, 1200};

} // namespace MainLayout

} // namespace velmo
