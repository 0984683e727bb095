#include "Samples.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vexlar::qdv {

namespace {

// Raman shifts in cm-1 from the ASTM E1840 shift standards, with heights
// as they appear on a red-excited fibre spectrometer.
constexpr Band kCyclohexane[] = {
    {384.1, 2},   {426.3, 3},  {801.3, 95},   {1028.3, 15}, {1157.6, 6},  {1266.4, 14},
    {1444.4, 12}, {2664.4, 8}, {2852.9, 100}, {2923.8, 58}, {2938.3, 67},
};

constexpr Band kPolystyrene[] = {
    {620.9, 12}, {795.8, 8},   {1001.4, 100}, {1031.8, 27}, {1155.3, 10}, {1450.5, 10},
    {1583.1, 9}, {1602.3, 28}, {2852.4, 12},  {2904.5, 35}, {3054.3, 60},
};

constexpr Band kNaphthalene[] = {
    {513.8, 35}, {763.8, 100}, {1021.6, 20}, {1147.2, 8}, {1382.2, 90}, {1464.5, 12}, {1576.6, 28}, {3056.4, 40},
};

constexpr Band kSulfur[] = {
    {85.1, 40},
    {153.8, 60},
    {219.1, 100},
    {473.2, 90},
};

constexpr Band kAcetamidophenol[] = {
    {213.3, 10},  {329.2, 10},  {390.9, 15},  {465.1, 15},  {504.0, 12},  {651.6, 35},  {710.8, 10},
    {797.2, 40},  {857.9, 70},  {968.7, 15},  {1105.5, 12}, {1168.5, 60}, {1236.8, 55}, {1278.5, 20},
    {1323.9, 45}, {1371.5, 20}, {1515.1, 15}, {1561.5, 25}, {1648.4, 45}, {2931.1, 20}, {3064.6, 25},
};

constexpr Band kSilicon[] = {
    {520.7, 100},
};

// Neon emission lines in nm (air wavelengths) with heights in proportion to
// the relative intensities of the NIST Atomic Spectra Database (Ne I; the
// strongest, 692.9467 nm, is 100). They are the reference lines the program
// calibrates its wavelength axis with, and two more lines a real lamp shows
// that its table leaves out (576.4419 and 582.0156 nm). The database lists no
// intensity for 743.8898 nm; its height is estimated from lamp spectra.
constexpr Band kNeon[] = {
    {540.0562, 20}, {576.4419, 7},   {582.0156, 5},   {585.2488, 20}, {588.1895, 10}, {594.4834, 5},  {597.5534, 6},
    {602.9997, 10}, {607.4338, 10},  {609.6163, 3},   {614.3063, 10}, {616.3594, 10}, {621.7281, 10}, {626.6495, 10},
    {630.4789, 1},  {633.4428, 10},  {638.2992, 10},  {640.2248, 20}, {650.6528, 15}, {653.2882, 1},  {659.8953, 10},
    {667.8276, 5},  {671.7043, 0.7}, {692.9467, 100}, {703.2413, 80}, {717.3938, 80}, {724.5167, 80}, {743.8898, 25},
    {747.2439, 3},  {748.8871, 30},  {753.5774, 30},  {754.4044, 13}, {794.3181, 8},  {808.2458, 6},  {811.8549, 4},
    {813.6405, 17}, {826.6077, 7},   {830.0326, 30},  {837.7608, 80}, {849.5360, 70}, {859.1258, 40}, {863.4647, 35},
    {865.4383, 60}, {878.0623, 60},  {885.3867, 30},  {886.5755, 15}, {891.9501, 6},  {914.8672, 12}, {920.1759, 9},
    {932.6507, 7},  {942.5379, 5},   {953.4163, 6},   {954.7405, 3},  {966.5420, 18},
};

const std::array<SampleInfo, 8> kSamples = {{
    {SampleKind::Cyclohexane, "cyclohexane", "Cyclohexane", false, 1800.0, 0.3, 1.0, kCyclohexane},
    {SampleKind::Polystyrene, "polystyrene", "Polystyrene", false, 1600.0, 1.0, 1.0, kPolystyrene},
    {SampleKind::Naphthalene, "naphthalene", "Naphthalene", false, 1500.0, 0.6, 1.0, kNaphthalene},
    {SampleKind::Sulfur, "sulfur", "Sulfur", false, 1700.0, 0.2, 1.0, kSulfur},
    {SampleKind::Acetamidophenol, "acetamidophenol", "4-Acetamidophenol", false, 1400.0, 0.8, 1.0, kAcetamidophenol},
    {SampleKind::Silicon, "silicon", "Silicon", false, 2000.0, 0.1, 2.0, kSilicon},
    {SampleKind::NeonLamp, "neon", "Neon lamp", true, 3000.0, 0.0, 0.0, kNeon},
    {SampleKind::None, "none", "No sample", false, 0.0, 0.0, 0.0, {}},
}};

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const SampleInfo> AllSamples()
{
    return kSamples;
}

const SampleInfo& SampleData(SampleKind kind)
{
    for (const SampleInfo& s : kSamples) {
        if (s.kind == kind)
            return s;
    }
    return kSamples.back();
}

std::optional<SampleKind> SampleFromKey(std::string_view key)
{
    for (const SampleInfo& s : kSamples) {
        if (SameLetters(key, s.key))
            return s.kind;
    }
    return std::nullopt;
}

}  // namespace vexlar::qdv
