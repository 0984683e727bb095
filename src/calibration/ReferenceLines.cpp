#include "calibration/ReferenceLines.h"

namespace vexlar::calibration {

namespace {

// Ne I wavelengths in standard air, nm, with the relative intensities of the
// NIST Atomic Spectra Database (A. Kramida, Yu. Ralchenko, J. Reader and
// NIST ASD Team, NIST Atomic Spectra Database, lines of Ne I; the near
// infrared lines after C. J. Sansonetti, M. M. Blackwell and E. B. Saloman,
// J. Res. NIST 109, 371 (2004)). Each wavelength was checked against the
// database's observed air wavelength and agrees to within 0.0001 nm. The
// database lists no intensity for 743.8898 nm; its value here is estimated
// from lamp spectra relative to 724.5167 nm.
//
// The table holds the lamp's strong, well-separated lines between 540 and
// 967 nm. Lines closer together than an instrument's line width are left out
// of a calibration by the matching itself (see LampCalibration.h).
constexpr LampLine kNeon[] = {
    {540.0562, 200}, {585.2488, 200}, {588.1895, 100}, {594.4834, 50},   {597.5534, 60},  {602.9997, 100},
    {607.4338, 100}, {609.6163, 30},  {614.3063, 100}, {616.3594, 100},  {621.7281, 100}, {626.6495, 100},
    {630.4789, 10},  {633.4428, 100}, {638.2992, 100}, {640.2248, 200},  {650.6528, 150}, {653.2882, 10},
    {659.8953, 100}, {667.8276, 50},  {671.7043, 7},   {692.9467, 1000}, {703.2413, 800}, {717.3938, 800},
    {724.5167, 800}, {743.8898, 250}, {747.2439, 30},  {748.8871, 300},  {753.5774, 300}, {754.4044, 130},
    {794.3181, 80},  {808.2458, 60},  {811.8549, 40},  {813.6405, 170},  {826.6077, 70},  {830.0326, 300},
    {837.7608, 800}, {849.5360, 700}, {859.1258, 400}, {863.4647, 350},  {865.4383, 600}, {878.0623, 600},
    {885.3867, 300}, {886.5755, 150}, {891.9501, 60},  {914.8672, 120},  {920.1759, 90},  {932.6507, 70},
    {942.5379, 50},  {953.4163, 60},  {954.7405, 30},  {966.5420, 180},
};

// Raman shifts in cm-1 of the ASTM E1840 Raman shift standards (ASTM E1840-96,
// Standard Guide for Raman Shift Standards for Spectrometer Calibration,
// Table 1: the averages of seven laboratories). Silicon's first-order phonon
// band at 520.7 cm-1 is the customary single-line check.
constexpr double kCyclohexane[] = {384.1, 426.3, 801.3, 1028.3, 1157.6, 1266.4, 1444.4, 2664.4, 2852.9, 2923.8, 2938.3};
constexpr double kPolystyrene[] = {620.9,  795.8,  1001.4, 1031.8, 1155.3, 1450.5,
                                   1583.1, 1602.3, 2852.4, 2904.5, 3054.3};
constexpr double kNaphthalene[] = {513.8, 763.8, 1021.6, 1147.2, 1382.2, 1464.5, 1576.6, 3056.4};
constexpr double kSulfur[] = {85.1, 153.8, 219.1, 473.2};
constexpr double kAcetamidophenol[] = {213.3,  329.2,  390.9,  465.1,  504.0,  651.6,  710.8,
                                       797.2,  857.9,  968.7,  1105.5, 1168.5, 1236.8, 1278.5,
                                       1323.9, 1371.5, 1515.1, 1561.5, 1648.4, 2931.1, 3064.6};
constexpr double kSilicon[] = {520.7};

constexpr RamanStandard kStandards[] = {
    {"Cyclohexane", kCyclohexane}, {"Polystyrene", kPolystyrene},           {"Naphthalene", kNaphthalene},
    {"Sulfur", kSulfur},           {"4-Acetamidophenol", kAcetamidophenol}, {"Silicon", kSilicon},
};

}  // namespace

std::span<const LampLine> NeonLines()
{
    return kNeon;
}

std::span<const RamanStandard> RamanStandards()
{
    return kStandards;
}

}  // namespace vexlar::calibration
