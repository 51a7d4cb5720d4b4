#include "scene_view.h"

#include "model/stereo_model.h"

#include <cmath>

void Use_Exact_Common_Rotation()
{
    static const double rotation[3][3] = {
        {0x1.e1090d916d967p-1, 0x1.59ba4b15393bcp-5, 0x1.5c08efc4a14dep-2},
        {0x1.5eb4a138d81bfp-2, -0x1.cbf5fc78f073fp-4, -0x1.dd965edf0b794p-1},
        {-0x1.3a8bf7deeeaefp-10, 0x1.fc4d6f15f8156p-1, -0x1.eb58ce1eca2b4p-4}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            StereoModel.commonRotation[i][j] = rotation[i - 1][j - 1];
}

void View_Ray(int view, double column, double row, double dir[3])
{
    const StereoModelRecord &m = StereoModel;
    double x = displayScale * column + m.columnOffset;
    if (view == RightView)
        x -= m.rightColumnShift;
    const double y = m.rowOrigin - displayScale * row;
    const double z = -m.focalLength;
    for (int i = 1; i <= 3; ++i)
        dir[i - 1] =
            m.commonRotation[i][1] * x + m.commonRotation[i][2] * y + m.commonRotation[i][3] * z;
}

void View_Centre(int view, double centre[3])
{
    const CameraOrientation &c = view == LeftView ? StereoModel.left : StereoModel.right;
    centre[0] = c.centreX;
    centre[1] = c.centreY;
    centre[2] = c.centreZ;
}

int Trace_View(const Scene &scene, TraceWork &work, int view, double column, double row,
               SceneHit &hit)
{
    double centre[3], objectDir[3], origin[3], dir[3];
    View_Centre(view, centre);
    View_Ray(view, column, row, objectDir);
    To_Building_Frame(scene, centre, origin);
    Direction_To_Building_Frame(scene, objectDir, dir);
    return Trace_Ray(scene, work, origin, dir, hit);
}

int Project_To_View(int view, const double point[3], double &column, double &row)
{
    const StereoModelRecord &m = StereoModel;
    double centre[3], image[3];
    View_Centre(view, centre);
    for (int j = 1; j <= 3; ++j) {
        image[j - 1] = 0;
        for (int i = 1; i <= 3; ++i)
            image[j - 1] += m.commonRotation[i][j] * (point[i - 1] - centre[i - 1]);
    }
    const double scale = -m.focalLength / image[2];
    double x = image[0] * scale;
    if (view == RightView)
        x += m.rightColumnShift;
    column = (x - m.columnOffset) / displayScale;
    row = (m.rowOrigin - image[1] * scale) / displayScale;
    return image[2] < 0;
}

int Surface_Parallax(const Scene &scene, TraceWork &work, int column, int row, double surface[3],
                     double &parallax)
{
    SceneHit hit;
    if (!Trace_View(scene, work, LeftView, column, row, hit))
        return 0;
    To_Object_Frame(scene, hit.point, surface);
    double rightColumn, rightRow;
    if (!Project_To_View(RightView, surface, rightColumn, rightRow))
        return 0;
    parallax = column - rightColumn;
    return 1;
}

double Notches_From_Surface(double markParallax, double surfaceParallax)
{
    return (markParallax - surfaceParallax) / notchColumns;
}

int Within_Half_Notch(double notches)
{
    return std::fabs(notches) <= 0.5;
}
