#pragma once
// The command line of vexlar-acquire, one acquisition from a shell script:
//
//   vexlar-acquire --scans 10 --integration 100 --average 4 --dark --laser
//                  --out sample.csv
//
// The output's extension names its format: CSV (.csv), JCAMP-DX (.jdx, .dx,
// .jcm) or Vexlar's spectrum file (.ram). Without --laser the laser stays
// off. With --dark a dark spectrum is taken first (laser off) and the scans
// are added, each less the dark, as additive mode adds them; without it
// there is one scan.

#include <optional>
#include <string>
#include <vector>

namespace vexlar::cli {

enum class OutputFormat { Csv, Jcamp, SpectrumFile };

struct AcquireOptions {
    int scans = 1;
    std::optional<int> integrationMs;
    std::optional<int> average;
    std::optional<int> boxcar;
    std::optional<int> channel;
    std::optional<std::string> laserWavelength;  // as the control bar's field takes it
    std::optional<int> xAxis;                    // 0 wavelength, 1 Raman shift
    bool dark = false;
    bool help = false;  // --help or -h: the usage, and nothing measured
    bool laser = false;
    bool removeSpikes = false;
    bool subtractBaseline = false;
    std::string out;
    OutputFormat format = OutputFormat::Csv;
};

struct ParsedAcquire {
    AcquireOptions options;
    std::string error;  // empty when the options can be taken
};

ParsedAcquire ParseAcquireOptions(const std::vector<std::string>& arguments);

std::string AcquireUsage();

}  // namespace vexlar::cli
