// What a scan makes of the spectrum, value for value: replaced, less the
// dark, added to the running sum (and the sum goes on from where it was).

#include <gtest/gtest.h>

#include "acquisition/ScanArithmetic.h"

using namespace vexlar::acquisition;

TEST(ScanArithmetic, EachUseMakesTheSpectrumItNames)
{
    const float scan[3] = {100.5f, 7.0f, 0.1f};
    const double dark[3] = {0.5, 10.0, 0.1};
    const struct {
        bool additive, subtractDark;
        double before[3];
        double after[3];
    } cases[] = {
        {false, false, {9, 9, 9}, {100.5, 7.0, static_cast<double>(0.1f)}},
        {false, true, {9, 9, 9}, {100.0, -3.0, static_cast<double>(0.1f) - 0.1}},
        {true, false, {1, 2, 3}, {101.0, -1.0, (static_cast<double>(0.1f) - 0.1) + 3}},
        {true, true, {1, 2, 3}, {101.0, -1.0, (static_cast<double>(0.1f) - 0.1) + 3}},
    };
    for (const auto& c : cases) {
        double spectrum[3] = {c.before[0], c.before[1], c.before[2]};
        ApplyScan(UseOfScan(c.additive, c.subtractDark), scan, dark, spectrum, 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(spectrum[i], c.after[i]) << c.additive << c.subtractDark << " pixel " << i;
    }
}
