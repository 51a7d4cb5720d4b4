#include "app/measure_window.h"

int markShapeDx[markPixelCount];
int markShapeDy[markPixelCount];
const int markContrastThreshold = 175;

namespace {

// Centres of the two halves: both on the pointer's row.
int Left_Centre()
{
    return MarkState.pointerX + MarkState.leftOffset;
}
int Right_Centre()
{
    return MarkState.pointerX + MarkState.rightOffset;
}

int Red_Of(COLORREF colour)
{
    return static_cast<int>(colour & 0xFF);
}
int Blue_Of(COLORREF colour)
{
    return static_cast<int>((colour >> 16) & 0xFF);
}

} // namespace

void Init_Mark_Shape()
{
    // Walked by column offset and then by row offset.
    int entry = 0;
    for (int dx = -markReach; dx <= markReach; ++dx)
        for (int dy = -markReach; dy <= markReach; ++dy)
            if (In_Mark_Shape(dx, dy)) {
                markShapeDx[entry] = dx;
                markShapeDy[entry] = dy;
                ++entry;
            }
}

// Every pixel operation walks the table in order and, per entry, handles the
// left-eye pixel before the right-eye pixel; where the halves overlap, that
// order decides what shows.

void Save_Mark_Pixels()
{
    const int left = Left_Centre(), right = Right_Centre(), row = MarkState.pointerY;
    for (int i = 0; i < markPixelCount; ++i) {
        MarkState.savedLeftPixels[i] =
            GetPixel(windowDC, left + markShapeDx[i], row + markShapeDy[i]);
        MarkState.savedRightPixels[i] =
            GetPixel(windowDC, right + markShapeDx[i], row + markShapeDy[i]);
    }
}

void Restore_Mark_Pixels()
{
    const int left = Left_Centre(), right = Right_Centre(), row = MarkState.pointerY;
    for (int i = 0; i < markPixelCount; ++i) {
        SetPixel(windowDC, left + markShapeDx[i], row + markShapeDy[i],
                 MarkState.savedLeftPixels[i]);
        SetPixel(windowDC, right + markShapeDx[i], row + markShapeDy[i],
                 MarkState.savedRightPixels[i]);
    }
}

void Adapt_Mark_Colours()
{
    // Each half is judged only in its own contrast channel: red for the
    // left-eye half, blue for the right-eye half.
    int leftRedSum = 0, rightBlueSum = 0;
    for (int i = 0; i < markPixelCount; ++i) {
        leftRedSum += Red_Of(MarkState.savedLeftPixels[i]);
        rightBlueSum += Blue_Of(MarkState.savedRightPixels[i]);
    }
    const int meanLeftRed = leftRedSum / markPixelCount;
    const int meanRightBlue = rightBlueSum / markPixelCount;

    const int leftContrast = meanLeftRed < markContrastThreshold ? 200 : 50;
    const int rightContrast = meanRightBlue < markContrastThreshold ? 200 : 50;
    MarkState.leftColour = RGB(leftContrast, meanLeftRed, meanLeftRed);
    MarkState.rightColour = RGB(meanRightBlue, rightContrast, rightContrast);
}

void Draw_Mark_Pixels()
{
    const int left = Left_Centre(), right = Right_Centre(), row = MarkState.pointerY;
    for (int i = 0; i < markPixelCount; ++i) {
        SetPixel(windowDC, left + markShapeDx[i], row + markShapeDy[i], MarkState.leftColour);
        SetPixel(windowDC, right + markShapeDx[i], row + markShapeDy[i], MarkState.rightColour);
    }
}
