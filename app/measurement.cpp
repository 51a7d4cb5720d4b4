#include "app/measure_window.h"
#include "model/stereo_model.h"

// Input before the first paint measures with the offsets every paint sets,
// so that it measures what the mark will show.
MarkStateRecord MarkState = {0, 0, paintedLeftOffset, paintedRightOffset, 1, 0, 0, 0, {}, {}};
double objectX = 0.0;
double objectY = 0.0;
double objectZ = 0.0;
int measuredParallax = 0;
AutoHeightRecord AutoHeight = {0, Auto_Line_None, 0.0};

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
    measuredParallax = MarkState.leftOffset - MarkState.rightOffset;
    Space_Intersection(MarkState.pointerY, MarkState.pointerX + MarkState.leftOffset,
                       MarkState.pointerX + MarkState.rightOffset, &objectX, &objectY, &objectZ);
}

bool Mark_Ever_Inside()
{
    // Columns inside the area are at least areaLeft: a pointer column of 0
    // means no move ever came in.
    return MarkState.pointerX != 0;
}

namespace {

// Measures at the mark as it now stands, writes the readout, then saves the
// pixels under the mark (readout text included) and draws it there.
void Measure_And_Draw_Mark(bool adaptColours)
{
    Measure_At_Mark();
    Write_Readout();
    // "auto off" says once that a depth step by hand ended the mode; the
    // next readout blanks it.
    if (AutoHeight.line == Auto_Line_Off)
        AutoHeight.line = Auto_Line_None;
    Save_Mark_Pixels();
    if (adaptColours)
        Adapt_Mark_Colours();
    Draw_Mark_Pixels();
}

// Sets the offsets by matching at the pointer's position, or leaves them and
// says so when nothing matched.
void Set_Parallax_By_Match()
{
    if (Match_Offsets_At(MarkState.pointerX, MarkState.pointerY, &MarkState.leftOffset,
                         &MarkState.rightOffset, &AutoHeight.coefficient))
        AutoHeight.line = Auto_Line_Match;
    else
        AutoHeight.line = Auto_Line_No_Match;
}

void End_Auto_Height_By_Hand()
{
    if (AutoHeight.on == 0)
        return;
    AutoHeight.on = 0;
    AutoHeight.line = Auto_Line_Off;
}

// Takes the mark off the picture before a change of depth.
void Restore_Unless_Painted()
{
    // After a paint the saved pixels belong to a picture that is gone:
    // writing them back would leave stale patches, so the first draw after a
    // paint restores nothing, whether a move or a depth step makes it.
    if (MarkState.freshPaint == 1)
        MarkState.freshPaint = 0;
    else
        Restore_Mark_Pixels();
}

// Restores the mark (unless a paint has removed it), moves its halves by the
// given columns, then measures, shows and draws it as any depth step does.
// A step by hand ends automatic height: the user's depth holds.
void Step_Parallax(int leftStep, int rightStep)
{
    End_Auto_Height_By_Hand();
    Restore_Unless_Painted();
    MarkState.leftOffset = MarkState.leftOffset + leftStep;
    MarkState.rightOffset = MarkState.rightOffset + rightStep;
    Measure_And_Draw_Mark(true);
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
    // Automatic height sets the depth first, and then the mark is shown as
    // after any change of depth.
    if (AutoHeight.on == 1) {
        Set_Parallax_By_Match();
        Measure_And_Draw_Mark(true);
        return;
    }
    Measure_And_Draw_Mark(!firstAfterPaint);
}

void Toggle_Auto_Height()
{
    if (AutoHeight.on == 1) {
        AutoHeight.on = 0;
        AutoHeight.line = Auto_Line_None;
        Write_Auto_Height_Line();
        return;
    }
    AutoHeight.on = 1;
    AutoHeight.line = Auto_Line_On;
    // With no mark yet (or no window to draw in) the next move matches.
    if (windowDC == nullptr)
        return;
    if (!Mark_Ever_Inside()) {
        Write_Auto_Height_Line();
        return;
    }
    Restore_Unless_Painted();
    Set_Parallax_By_Match();
    Measure_And_Draw_Mark(true);
}

void Handle_Wheel(unsigned wheelWord)
{
    // One column per half a message: toward each other below the narrowing
    // limit, apart above the widening one.
    const int step = wheelWord < wheelNarrowBelow ? -1 : wheelWord > wheelWidenAbove ? 1 : 0;
    Step_Parallax(step, -step);
}

void Change_Parallax_By_Column(bool narrow)
{
    // One half moves, so that the midpoint stays within half a column of the
    // pointer: the offsets' sum goes between 0 and -1.
    const bool leftAhead = MarkState.leftOffset + MarkState.rightOffset < 0;
    if (narrow)
        leftAhead ? Step_Parallax(0, 1) : Step_Parallax(-1, 0);
    else
        leftAhead ? Step_Parallax(1, 0) : Step_Parallax(0, -1);
}

void Record_Point()
{
    pointId = pointId + 1;
    // A click while no mark is shown (before the window was first painted,
    // before any measurement, or after a paint and before the next move or
    // depth step) still records the last measurement; the readout then shows
    // what was written, and says so, at once or from the first paint on.
    const bool markShown = MarkState.freshPaint == 0 && windowDC != nullptr;
    if (markShown)
        Write_Point_Number();
    else
        Write_Readout();

    char reason[120];
    if (Append_Point_Record(pointId, objectX, objectY, objectZ, reason, sizeof reason)) {
        if (markShown)
            Clear_Notice();
        else
            Show_Notice(pointId, "recorded unseen");
        return;
    }
    char notice[sizeof reason + 16];
    std::snprintf(notice, sizeof notice, "NOT saved: %s", reason);
    Show_Notice(pointId, notice);
}

void Take_Back_Point()
{
    char reason[120];
    switch (Take_Back_Record(pointId, reason, sizeof reason)) {
    case Take_Back_Done:
        pointId = pointId - 1;
        Write_Point_Number();
        Show_Notice(pointId + 1, "taken back");
        break;
    case Take_Back_Refused: {
        char notice[sizeof reason + 24];
        std::snprintf(notice, sizeof notice, "NOT taken back: %s", reason);
        Show_Notice(pointId, notice);
        break;
    }
    case Take_Back_Nothing:
        Show_Notice(0, "nothing to take back");
        break;
    }
}
