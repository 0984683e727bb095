// The spectrum file (the chart library's data file), as File > Open reads it:
// through XrtDataCreateFromFile on a file, and its text parser directly.
// Whatever is accepted holds only finite numbers, exactly the declared count,
// and reads back bit for bit once written again.

#include <bit>
#include <cmath>
#include <string>
#include <string_view>

#include "DataFile.h"
#include "FuzzTarget.h"
#include "Xrt.h"

using namespace vexlar::xrt;

VEXLAR_FUZZ_TARGET(data_file)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DataFileContents parsed;
    std::string error;
    const bool ok = ParseDataFile(text, &parsed, &error);
    if (!ok)
        VEXLAR_FUZZ_CHECK(!error.empty());

    const std::string path = vexlar::fuzz::ScratchFile("spectrum.ram");
    vexlar::fuzz::WriteScratch(path, data, size);
    const XrtHandle loaded = XrtDataCreateFromFile(path.c_str());
    VEXLAR_FUZZ_CHECK((loaded != 0) == ok);
    if (!ok) {
        VEXLAR_FUZZ_CHECK(!XrtGetLastError().empty());
        return 0;
    }

    const int points = static_cast<int>(parsed.x.size());
    VEXLAR_FUZZ_CHECK(points >= 1 && points <= kDataFileMaxPoints);
    VEXLAR_FUZZ_CHECK(parsed.y.size() == parsed.x.size());
    int sets = 0;
    int loadedPoints = 0;
    VEXLAR_FUZZ_CHECK(XrtDataGetSetCount(loaded, &sets) && sets == 1);
    VEXLAR_FUZZ_CHECK(XrtDataGetPointCount(loaded, &loadedPoints) && loadedPoints == points);
    for (int i = 0; i < points; ++i) {
        double x = 0.0;
        double y = 0.0;
        VEXLAR_FUZZ_CHECK(XrtDataGetXElementIndirect(loaded, 0, i, &x));
        VEXLAR_FUZZ_CHECK(XrtDataGetYElementIndirect(loaded, 0, i, &y));
        VEXLAR_FUZZ_CHECK(std::isfinite(x) && std::isfinite(y));
        VEXLAR_FUZZ_CHECK(std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(parsed.x[i]));
        VEXLAR_FUZZ_CHECK(std::bit_cast<std::uint64_t>(y) == std::bit_cast<std::uint64_t>(parsed.y[i]));
    }
    VEXLAR_FUZZ_CHECK(XrtDataDestroy(loaded));

    // Written again, the file reads back the same doubles.
    const std::string again = FormatDataFile(parsed.x.data(), parsed.y.data(), points);
    DataFileContents reread;
    VEXLAR_FUZZ_CHECK(ParseDataFile(again, &reread, &error));
    VEXLAR_FUZZ_CHECK(reread.x.size() == parsed.x.size());
    for (int i = 0; i < points; ++i) {
        VEXLAR_FUZZ_CHECK(std::bit_cast<std::uint64_t>(reread.x[i]) == std::bit_cast<std::uint64_t>(parsed.x[i]));
        VEXLAR_FUZZ_CHECK(std::bit_cast<std::uint64_t>(reread.y[i]) == std::bit_cast<std::uint64_t>(parsed.y[i]));
    }
    return 0;
}
