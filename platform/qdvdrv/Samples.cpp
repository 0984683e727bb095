#include "Samples.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vexlar::qdv {

namespace {

// Raman shifts in cm-1 from the ASTM E1840 shift standards, with heights
// as they appear on a red-excited fibre spectrometer.
constexpr Band kCyclohexane[] = {
    {384.1, 2},   {426.3, 3},    {801.3, 95},   {1028.3, 15},  {1157.6, 6},  {1266.4, 14},
    {1444.4, 12}, {2664.4, 8},   {2852.9, 100}, {2923.8, 58},  {2938.3, 67},
};

constexpr Band kPolystyrene[] = {
    {620.9, 12},  {795.8, 8},    {1001.4, 100}, {1031.8, 27},  {1155.3, 10}, {1450.5, 10},
    {1583.1, 9},  {1602.3, 28},  {2852.4, 12},  {2904.5, 35},  {3054.3, 60},
};

constexpr Band kNaphthalene[] = {
    {513.8, 35},  {763.8, 100},  {1021.6, 20},  {1147.2, 8},   {1382.2, 90}, {1464.5, 12},
    {1576.6, 28}, {3056.4, 40},
};

constexpr Band kSulfur[] = {
    {85.1, 40}, {153.8, 60}, {219.1, 100}, {473.2, 90},
};

constexpr Band kAcetamidophenol[] = {
    {329.2, 10},  {390.9, 15},  {465.1, 15},  {504.0, 12},  {651.6, 35},  {710.8, 10},
    {797.2, 40},  {857.9, 70},  {968.7, 15},  {1105.5, 12}, {1168.5, 60}, {1236.8, 55},
    {1278.5, 20}, {1323.9, 45}, {1371.5, 20}, {1515.1, 15}, {1561.5, 25}, {1648.4, 45},
    {2931.1, 20}, {3064.6, 25},
};

constexpr Band kSilicon[] = {
    {520.7, 100},
};

// Neon emission lines in nm (air wavelengths) with their relative strengths
// as a silicon detector sees them.
constexpr Band kNeon[] = {
    {540.056, 20},  {576.442, 15}, {582.016, 10}, {585.249, 80}, {588.190, 40}, {594.483, 50},
    {597.553, 15},  {603.000, 20}, {607.434, 35}, {609.616, 45}, {614.306, 60}, {616.359, 25},
    {621.728, 25},  {626.650, 40}, {630.479, 25}, {633.443, 45}, {638.299, 55}, {640.225, 100},
    {650.653, 60},  {653.288, 25}, {659.895, 35}, {667.828, 40}, {671.704, 30}, {692.947, 60},
    {703.241, 90},  {717.394, 20}, {724.517, 45}, {743.890, 15}, {748.887, 15}, {753.577, 20},
    {754.404, 15},
};

const std::array<SampleInfo, 8> kSamples = {{
    {SampleKind::Cyclohexane, "cyclohexane", "Cyclohexane", false, 1800.0, 0.3, 1.0, kCyclohexane},
    {SampleKind::Polystyrene, "polystyrene", "Polystyrene", false, 1600.0, 1.0, 1.0, kPolystyrene},
    {SampleKind::Naphthalene, "naphthalene", "Naphthalene", false, 1500.0, 0.6, 1.0, kNaphthalene},
    {SampleKind::Sulfur, "sulfur", "Sulfur", false, 1700.0, 0.2, 1.0, kSulfur},
    {SampleKind::Acetamidophenol, "acetamidophenol", "4-Acetamidophenol", false, 1400.0, 0.8, 1.0,
     kAcetamidophenol},
    {SampleKind::Silicon, "silicon", "Silicon", false, 2000.0, 0.1, 2.0, kSilicon},
    {SampleKind::NeonLamp, "neon", "Neon lamp", true, 2000.0, 0.0, 0.0, kNeon},
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
