#include "app/measure_window.h"
#include "model/stereo_model.h"

MarkStateRecord MarkState = {0, 0, 0, 0, 1, 0, 0, 0, {}, {}};
double objectX = 0.0;
double objectY = 0.0;
double objectZ = 0.0;

namespace {

// Wheel words below this narrow the parallax, above wheelWidenAbove widen it.
const unsigned wheelNarrowBelow = 2000;
const unsigned wheelWidenAbove = 32000;

// Taken as unsigned, a position left of or above the area wraps to a large
// number, so one comparison per axis tests both bounds.
bool Inside_Measurement_Area(unsigned x, unsigned y)
{
    return x - areaLeft <= unsigned{areaRight - areaLeft} &&
           y - areaTop <= unsigned{areaBottom - areaTop};
}

// The counter moves by one a call; each loop brings it to the other side of
// zero, whatever paints and other programs did to it meanwhile.
void Show_System_Pointer()
{
    while (ShowCursor(TRUE) <= 0) {
    }
}

void Hide_System_Pointer()
{
    while (ShowCursor(FALSE) >= 0) {
    }
}

} // namespace

void Measure_At_Mark()
{
    Space_Intersection(MarkState.pointerY, MarkState.pointerX + MarkState.leftOffset,
                       MarkState.pointerX + MarkState.rightOffset, &objectX, &objectY, &objectZ);
}

namespace {

// Measures at the mark as it now stands, writes the readout, then saves the
// pixels under the mark (readout text included) and draws it there.
void Measure_And_Draw_Mark(bool adaptColours)
{
    Measure_At_Mark();
    Write_Readout();
    Save_Mark_Pixels();
    if (adaptColours)
        Adapt_Mark_Colours();
    Draw_Mark_Pixels();
}

} // namespace

void Handle_Pointer_Move(unsigned x, unsigned y)
{
    if (!Inside_Measurement_Area(x, y)) {
        if (MarkState.cursorShown == 0) {
            MarkState.cursorShown = 1;
            Show_System_Pointer();
        }
        return;
    }

    if (MarkState.cursorShown == 1) {
        MarkState.cursorShown = 0;
        Hide_System_Pointer();
    }

    // The first draw after a paint has nothing to restore (the picture under
    // any earlier mark was repainted) and shows the mark in the colours it
    // holds; later moves restore the old mark and adapt the colours.
    const bool firstAfterPaint = MarkState.freshPaint == 1;
    if (!firstAfterPaint)
        Restore_Mark_Pixels();
    MarkState.pointerX = static_cast<int>(x);
    MarkState.pointerY = static_cast<int>(y);
    MarkState.freshPaint = 0;
    Measure_And_Draw_Mark(!firstAfterPaint);
}

void Handle_Wheel(unsigned wheelWord)
{
    // After a paint the saved pixels belong to a picture that is gone:
    // writing them back would leave stale patches, so the first draw after a
    // paint restores nothing, whether a move or a wheel step makes it.
    if (MarkState.freshPaint == 1)
        MarkState.freshPaint = 0;
    else
        Restore_Mark_Pixels();

    if (wheelWord < wheelNarrowBelow) {
        MarkState.leftOffset = MarkState.leftOffset - 1;
        MarkState.rightOffset = MarkState.rightOffset + 1;
    }
    if (wheelWord > wheelWidenAbove) {
        MarkState.leftOffset = MarkState.leftOffset + 1;
        MarkState.rightOffset = MarkState.rightOffset - 1;
    }

    Measure_And_Draw_Mark(true);
}

void Record_Point()
{
    pointId = pointId + 1;
    Write_Point_Number();

    char reason[120];
    if (Append_Point_Record(pointId, objectX, objectY, objectZ, reason, sizeof reason))
        Clear_Unsaved_Point();
    else
        Show_Unsaved_Point(pointId, reason);
}
