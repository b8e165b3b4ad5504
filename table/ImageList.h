// The main window's image list ImageList1 and the picture of the instance
// mask panel, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

// Number of pictures in ImageList1; valid indices are 0 .. count-1.
inline constexpr int imageListCount = 7;

// Indices into ImageList1.
enum TImageIndex : int {
    imageExit = 0,         // red square with a white cross
    imageCopy = 1,         // two overlapping text documents
    imageColumnWidth = 2,  // ruler with arrows at both ends
    imageShootAgain = 3,   // two green arrows turning in a circle
    imageSortUp = 4,       // blue arrow pointing down: ascending sort mark
    imageSortDown = 5,     // blue arrow pointing up: descending sort mark
    imageAbout = 6,        // blue circle with a white "i"
};

// The 16 x 16 picture at index of ImageList1. An index outside 0 .. 6 gives
// a null icon, which draws nothing (result rows use 27 and 11 that way).
// Needs a QGuiApplication.
QIcon ImageListIcon(int index);

// The 16 x 16 picture of Panel1: a filter funnel with a red arrow pointing
// down, on a transparent background.
QPixmap Panel1Picture();
