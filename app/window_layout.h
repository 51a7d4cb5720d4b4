// Where things lie in the main window's client area (client coordinates,
// origin top left), and the floating mark's offsets after every paint. The
// default stereo image is rendered to the same layout.
#pragma once

// The stereo picture: the top-left 900 by 620 pixels of the image.
constexpr int pictureLeft = 10;
constexpr int pictureTop = 10;
constexpr int pictureWidth = 900;
constexpr int pictureHeight = 620;

// The readout beside the picture: its lines start at this column, one for
// the point number and one each for X, Y and Z, at these rows.
constexpr int readoutColumn = 920;
constexpr int readoutIdRow = 170;
constexpr int readoutXRow = 200;
constexpr int readoutYRow = 230;
constexpr int readoutZRow = 260;
// Below them the parallax, the columns between the mark's halves.
constexpr int readoutParallaxRow = 290;
// Below that, a notice about a point (not saved, taken back, recorded while
// no mark was shown), a line every noticeLineHeight rows, at most
// noticeMaxLines of them.
constexpr int noticeTop = 320;
constexpr int noticeLineHeight = 20;
constexpr int noticeMaxLines = 8;
// The line of automatic height: on the first row that no notice reaches, so
// that a session that never turns the mode on shows every line where it
// always stood.
constexpr int autoHeightRow = noticeTop + noticeMaxLines * noticeLineHeight;
// The readout column's width in the window as it opens (1012 client columns).
constexpr int readoutWidth = 92;

// The measurement area, both bounds included: the picture, and beyond it to
// the readout's first column and one row below.
constexpr int areaLeft = pictureLeft;
constexpr int areaTop = pictureTop;
constexpr int areaRight = readoutColumn;
constexpr int areaBottom = pictureTop + pictureHeight;

// Column offsets of the left-eye and right-eye halves from the pointer.
constexpr int paintedLeftOffset = 29;
constexpr int paintedRightOffset = -29;

// A half of the floating mark covers the columns and rows this far from its
// centre.
constexpr int markReach = 4;
