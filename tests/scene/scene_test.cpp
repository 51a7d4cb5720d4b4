// The default stereo image and its ground truth, read from the files the build
// renders: the parallax a block matcher finds in the image without the
// renderer's help. (The end-to-end run measures the listed mark positions.)
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string image; // the file's bytes
std::vector<std::map<std::string, double>> truth;

// Channel 0 blue, 1 green, 2 red of a picture pixel; rows top first.
int Channel(int column, int row, int channel)
{
    return static_cast<unsigned char>(image[54 + (619 - row) * 2700 + 3 * column + channel]);
}

class SceneTest : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        std::ifstream in(SCENE_IMAGE_PATH, std::ios::binary), table(SCENE_TRUTH_PATH);
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::string line, field;
        std::vector<std::string> names;
        std::getline(table, line);
        std::istringstream header(line);
        while (std::getline(header, field, ','))
            names.push_back(field);
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            truth.emplace_back();
            for (const std::string &name : names)
                if (std::getline(fields, field, ','))
                    truth.back()[name] = std::strtod(field.c_str(), nullptr);
        }
    }
    void SetUp() override
    {
        ASSERT_EQ(image.size(), 54u + 900u * 3u * 620u) << SCENE_IMAGE_PATH;
        ASSERT_GE(truth.size(), 100u) << SCENE_TRUTH_PATH;
    }
};

TEST_F(SceneTest, AnAnaglyphInWhichABlockMatcherFindsTheListedParallax)
{
    // An anaglyph: green and blue both carry the right view.
    for (int row = 0; row < 620; ++row)
        for (int column = 0; column < 900; ++column)
            ASSERT_EQ(Channel(column, row, 0), Channel(column, row, 1)) << column << "," << row;
    int textured = 0;
    for (const auto &point : truth) {
        // Client positions to picture pixels: the picture starts at (10, 10).
        const int column = int(point.at("leftColumnRounded")) - 10, row = int(point.at("row")) - 10;
        ASSERT_TRUE(row >= 5 && row + 5 < 620 && column + 7 < 900);
        // Normalised cross-correlation of the 15 by 11 block of the left view
        // (red) with the right view (green) q columns to its left.
        std::vector<double> score;
        double spread = 0;
        for (int q = 0; q <= std::min(column - 7, 150); ++q) {
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 15 * 11;
            for (int j = row - 5; j <= row + 5; ++j)
                for (int i = column - 7; i <= column + 7; ++i) {
                    const double a = Channel(i, j, 2), b = Channel(i - q, j, 1);
                    sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
                }
            const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
            spread = std::sqrt(std::fmax(0, va / n));
            score.push_back(va <= 0 || vb <= 0 ? -1 : (sab - sa * sb / n) / std::sqrt(va * vb));
        }
        if (spread < 6)
            continue; // too plain to match
        ++textured;
        // Sub-column peak from a parabola through the best score and its neighbours.
        const int best = int(std::max_element(score.begin(), score.end()) - score.begin());
        double found = best;
        if (best > 0 && best + 1 < int(score.size())) {
            const double a = score[best - 1], b = score[best], c = score[best + 1];
            if (a - 2 * b + c < 0)
                found = best + 0.5 * (a - c) / (a - 2 * b + c);
        }
        EXPECT_NEAR(found, point.at("leftColumn") - point.at("rightColumn"), 1.0) << point.at("id");
    }
    EXPECT_GE(textured, int(truth.size() * 9 / 10));
}

} // namespace
