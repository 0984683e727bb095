// The settings file: one table of every key with its section, default and
// formats, the orders of reading and writing over it, and the conversions
// between the stored texts and the working values.

#include "calibration/SettingsFile.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "Profile.h"
#include "calibration/Axes.h"
#include "cleaning/BaselineSettings.h"
#include "text/NumberText.h"

namespace vexlar::settings {

namespace {

using W = WorkingSettings;
using B = ControlBarTexts;

// --- Sections ------------------------------------------------------------------

constexpr char kAcquisition[] = "Acquisition";
constexpr char kPeakFind[] = "PeakFind";
constexpr char kTimeAcquisition[] = "TimeAcquisition";
constexpr char kDialogBar[] = "DialogBar";
constexpr char kCleaning[] = "Cleaning";
constexpr char kRemote[] = "Remote";
// The calibration section of each channel, by channel index.
constexpr const char* kChannelSections[kCalibratedChannels] = {
    "Master", "Slave1", "Slave2", "Slave3", "Slave4", "Slave5", "Slave6", "Slave7",
};
// A key of the table whose section is the calibration section of each channel.
constexpr const char* kEachChannel = nullptr;

// --- How a key is read, checked and written ------------------------------------

// Integer: a leading decimal integer, the default when the key is missing or
// empty; read as text, so that a number no 32-bit value holds is seen for
// what it is instead of wrapping into another. Text: at most the key's
// number of characters; numbers are taken from it the way atof takes them.
enum class ReadAs { Integer, Text };

// Signed "%d", Unsigned "%u", Fixed "%f", Exponent "%.6e", Shortest the
// fewest digits that read back as the same double, Text as it stands.
enum class WriteAs { Signed, Unsigned, Fixed, Exponent, Shortest, Text };

// Always: written at every save. WhenUsed: a key added after the file's
// first layout, written only once its value differs from its default or the
// file already holds it, so the files of runs that never used it stay as
// they were.
enum class Presence { Always, WhenUsed };

// Checks a value must pass before it reaches the workspace, besides that a
// whole number must fit the member that holds it (else the default).
enum class Check {
    None,
    IntegrationTime,        // above the longest restored time becomes the restart time
    ChannelIndex,           // 0 to 7, else the default: it indexes the calibration tables and the buffers
    ZeroOrOne,              // a two-way switch; anything else the default
    UsableLaserWavelength,  // positive and finite, else the default: it divides every Raman shift
    FiniteNumber,           // finite in the precision it is held in, else the default: it enters every axis value
    SeriesTableChoice,      // 0 to 2, else the default: an older or edited file never asks for a table it cannot mean
    BaselineSmoothness,     // within the baseline's range, else the default
    BaselineAsymmetry,      // within the baseline's range, else the default
    BaselineCutOn,          // within the baseline's range, else the default
};

// Texts of numbers, of the base file name and of the control bar.
constexpr unsigned kNumberChars = 39;
constexpr unsigned kPathChars = 259;
constexpr unsigned kBarChars = kControlBarTextMax;
constexpr unsigned kLongestText = kPathChars;
static_assert(kPathChars == timed::kMaxBaseFilename, "every base file name read fits the series settings");

// The series-table choices: 0 none, 1 one row per scan, 2 one row per pixel.
constexpr int kLastSeriesTableChoice = 2;

// Integration times above this do not survive a restart...
constexpr std::uint16_t kLongestRestoredIntegrationTimeMs = 2000;
// ...they come back as this.
constexpr std::uint16_t kRestartIntegrationTimeMs = 250;

// Where a value goes: a member of the working values, of one of the parts
// they hold whole (the peak criteria, the calibration table, whose entries
// hold one value per channel, the series settings) or of the control-bar
// texts.
using P = peaks::PeakCriteria;
using T = calibration::CalibrationTable;
using S = timed::SeriesSettings;
using R = RemoteSettings;
using PerChannel = float (T::*)[kCalibratedChannels];
using Target = std::variant<int W::*, unsigned W::*, std::int16_t W::*, std::uint16_t W::*, float W::*, double W::*,
                            std::string W::*, double P::*, int P::*, PerChannel, std::string B::*, int S::*,
                            unsigned S::*, std::string S::*, int R::*, std::string R::*>;

// The member of the working values that holds a part whole.
template <class Part>
constexpr Part W::*kPartOf = nullptr;
template <>
constexpr P W::*kPartOf<P> = &W::peakCriteria;
template <>
constexpr T W::*kPartOf<T> = &W::calibration;
template <>
constexpr S W::*kPartOf<S> = &W::series;
template <>
constexpr R W::*kPartOf<R> = &W::remote;

// The field a member names in the working values (const or not).
template <class Working, class Value, class Class>
auto& FieldOf(Working& working, Value Class::*member)
{
    if constexpr (std::is_same_v<Class, W>)
        return working.*member;
    else
        return (working.*kPartOf<Class>) .*member;
}

enum class Id {
    NumChannels,
    IntegrationTime,
    Average,
    Boxcar,
    CorrectDark,
    Channel,
    LaserWavelength,
    ViewRaman,
    First,
    Second,
    Third,
    Intercept,
    Threshold,
    Width,
    Slope,
    StoreDark,
    ToggleLaser,
    LaserWarmupTime,
    DelayBeforeFirstAcquisition,
    DelayBetweenAcquisitions,
    NumberOfAcquisitions,
    FileFormat,
    BaseFilename,
    SeriesTable,
    BarChannel,
    BarLaserWavelength,
    BarXAxis,
    RemoveSpikes,
    SubtractBaseline,
    BaselineSmoothness,
    BaselineAsymmetry,
    BaselineCutOn,
    RemoteControl,
    RemotePort,
    RemoteWatchdogSeconds,
    RemoteDevice,
};

struct Key {
    Id id;
    const char* section;  // kEachChannel: the calibration section of each channel
    const char* name;
    ReadAs read;
    unsigned maxChars;         // text reads
    const char* defaultValue;  // as it would stand in the file
    WriteAs write;
    Check check;
    Target target;
    Presence presence = Presence::Always;
};

constexpr ReadAs kInt = ReadAs::Integer;
constexpr ReadAs kText = ReadAs::Text;

// Every key of the file, once.
constexpr Key kKeys[] = {
    // [Acquisition]: the working acquisition values.
    {Id::NumChannels, kAcquisition, "NumChannels", kInt, 0, "1", WriteAs::Signed, Check::None, &W::numChannels},
    {Id::IntegrationTime, kAcquisition, "IntegrationTime", kInt, 0, "100", WriteAs::Signed, Check::IntegrationTime,
     &W::integrationTime},
    {Id::Average, kAcquisition, "Average", kInt, 0, "1", WriteAs::Signed, Check::None, &W::average},
    {Id::Boxcar, kAcquisition, "Boxcar", kInt, 0, "1", WriteAs::Signed, Check::None, &W::boxcar},
    {Id::CorrectDark, kAcquisition, "CorrectDark", kInt, 0, "0", WriteAs::Signed, Check::None, &W::correctDark},
    {Id::Channel, kAcquisition, "Channel", kInt, 0, "0", WriteAs::Signed, Check::ChannelIndex, &W::channel},
    {Id::LaserWavelength, kAcquisition, "LaserWavelength", kText, kNumberChars, "632.8 nm", WriteAs::Fixed,
     Check::UsableLaserWavelength, &W::laserWavelength},
    {Id::ViewRaman, kAcquisition, "ViewRaman", kInt, 0, "0", WriteAs::Signed, Check::ZeroOrOne, &W::xAxisMode},
    // [Master], [Slave1] to [Slave7]: the calibration of each channel.
    {Id::First, kEachChannel, "First", kText, kNumberChars, "0.5", WriteAs::Fixed, Check::FiniteNumber, &T::calFirst},
    {Id::Second, kEachChannel, "Second", kText, kNumberChars, "5e-5", WriteAs::Exponent, Check::FiniteNumber,
     &T::calSecond},
    {Id::Third, kEachChannel, "Third", kText, kNumberChars, "0.0", WriteAs::Exponent, Check::FiniteNumber,
     &T::calThird},
    {Id::Intercept, kEachChannel, "Intercept", kText, kNumberChars, "350.0", WriteAs::Fixed, Check::FiniteNumber,
     &T::calIntercept},
    // [PeakFind]: the peak-finder settings.
    {Id::Threshold, kPeakFind, "Threshold", kText, kNumberChars, "100", WriteAs::Fixed, Check::FiniteNumber,
     &P::peakThreshold},
    {Id::Width, kPeakFind, "Width", kInt, 0, "1", WriteAs::Signed, Check::None, &P::peakWidth},
    {Id::Slope, kPeakFind, "Slope", kText, kNumberChars, "10", WriteAs::Fixed, Check::FiniteNumber, &P::peakSlope},
    // [TimeAcquisition]: the timed-series settings.
    {Id::StoreDark, kTimeAcquisition, "StoreDark", kInt, 0, "0", WriteAs::Signed, Check::None, &S::StoreDark},
    {Id::ToggleLaser, kTimeAcquisition, "ToggleLaser", kInt, 0, "0", WriteAs::Unsigned, Check::None, &S::ToggleLaser},
    {Id::LaserWarmupTime, kTimeAcquisition, "LaserWarmupTime", kInt, 0, "10", WriteAs::Unsigned, Check::None,
     &S::LaserWarmupTime},
    {Id::DelayBeforeFirstAcquisition, kTimeAcquisition, "DelayBeforeFirstAcquisition", kInt, 0, "60", WriteAs::Unsigned,
     Check::None, &S::DelayBeforeFirstAcquisition},
    {Id::DelayBetweenAcquisitions, kTimeAcquisition, "DelayBetweenAcquisitions", kInt, 0, "60", WriteAs::Unsigned,
     Check::None, &S::DelayBetweenAcquisitions},
    {Id::NumberOfAcquisitions, kTimeAcquisition, "NumberOfAcquisitions", kInt, 0, "100", WriteAs::Unsigned, Check::None,
     &S::NumberOfAcquisitions},
    {Id::FileFormat, kTimeAcquisition, "FileFormat", kInt, 0, "0", WriteAs::Unsigned, Check::None, &S::FileFormat},
    {Id::BaseFilename, kTimeAcquisition, "BaseFilename", kText, kPathChars, "Temp", WriteAs::Text, Check::None,
     &S::BaseFilename},
    // Also the series as one table (0 off, 1 one row per scan, 2 one row per
    // pixel); a file without the key means off.
    {Id::SeriesTable, kTimeAcquisition, "SeriesTable", kInt, 0, "0", WriteAs::Unsigned, Check::SeriesTableChoice,
     &W::seriesTable, Presence::WhenUsed},
    // [DialogBar]: what three control-bar fields showed.
    {Id::BarChannel, kDialogBar, "Channel", kText, kBarChars, "Master", WriteAs::Text, Check::None, &B::channel},
    {Id::BarLaserWavelength, kDialogBar, "LaserWavelength", kText, kBarChars, "632.8", WriteAs::Text, Check::None,
     &B::laserWavelength},
    {Id::BarXAxis, kDialogBar, "XAxis", kText, kBarChars, "Wavelength (nm)", WriteAs::Text, Check::None, &B::xAxis},
    // [Cleaning]: spike removal and the fluorescence baseline.
    {Id::RemoveSpikes, kCleaning, "RemoveSpikes", kInt, 0, "0", WriteAs::Signed, Check::ZeroOrOne, &W::removeSpikes,
     Presence::WhenUsed},
    {Id::SubtractBaseline, kCleaning, "SubtractBaseline", kInt, 0, "0", WriteAs::Signed, Check::ZeroOrOne,
     &W::subtractBaseline, Presence::WhenUsed},
    {Id::BaselineSmoothness, kCleaning, "BaselineSmoothness", kText, kNumberChars, "1000", WriteAs::Shortest,
     Check::BaselineSmoothness, &W::baselineSmoothness, Presence::WhenUsed},
    {Id::BaselineAsymmetry, kCleaning, "BaselineAsymmetry", kText, kNumberChars, "0.01", WriteAs::Shortest,
     Check::BaselineAsymmetry, &W::baselineAsymmetry, Presence::WhenUsed},
    {Id::BaselineCutOn, kCleaning, "BaselineCutOn", kText, kNumberChars, "100", WriteAs::Shortest, Check::BaselineCutOn,
     &W::baselineCutOn, Presence::WhenUsed},
    // [Remote]: the Tango device (off until the operator switches it on), its
    // port, and how long a client may stay silent while it holds the laser.
    {Id::RemoteControl, kRemote, "RemoteControl", kInt, 0, "0", WriteAs::Signed, Check::ZeroOrOne, &R::control,
     Presence::WhenUsed},
    {Id::RemotePort, kRemote, "RemotePort", kInt, 0, "10000", WriteAs::Signed, Check::None, &R::port,
     Presence::WhenUsed},
    {Id::RemoteWatchdogSeconds, kRemote, "RemoteWatchdogSeconds", kInt, 0, "10", WriteAs::Signed, Check::None,
     &R::watchdogSeconds, Presence::WhenUsed},
    {Id::RemoteDevice, kRemote, "RemoteDevice", kText, kPathChars, "", WriteAs::Text, Check::None, &R::device,
     Presence::WhenUsed},
};

// The defaults of the table are the baseline's own.
static_assert(cleaning::kDefaultSmoothness == 1000.0 && cleaning::kDefaultAsymmetry == 0.01 &&
                  cleaning::kDefaultCutOn == 100.0,
              "the [Cleaning] defaults above are the baseline's");

constexpr std::size_t kKeyCount = std::size(kKeys);

// Working values, in the order they are read...
constexpr Id kReadOrder[] = {
    Id::StoreDark,
    Id::ToggleLaser,
    Id::LaserWarmupTime,
    Id::DelayBeforeFirstAcquisition,
    Id::DelayBetweenAcquisitions,
    Id::NumberOfAcquisitions,
    Id::FileFormat,
    Id::BaseFilename,
    Id::SeriesTable,
    Id::First,
    Id::Second,
    Id::Third,
    Id::Intercept,
    Id::NumChannels,
    Id::IntegrationTime,
    Id::Average,
    Id::Boxcar,
    Id::CorrectDark,
    Id::Channel,
    Id::LaserWavelength,
    Id::ViewRaman,
    Id::Threshold,
    Id::Width,
    Id::Slope,
    Id::RemoveSpikes,
    Id::SubtractBaseline,
    Id::BaselineSmoothness,
    Id::BaselineAsymmetry,
    Id::BaselineCutOn,
    Id::RemoteControl,
    Id::RemotePort,
    Id::RemoteWatchdogSeconds,
    Id::RemoteDevice,
};

// ...and written, which decides the order of sections and keys in a new file.
constexpr Id kWriteOrder[] = {
    Id::StoreDark,
    Id::ToggleLaser,
    Id::LaserWarmupTime,
    Id::DelayBetweenAcquisitions,
    Id::NumberOfAcquisitions,
    Id::BaseFilename,
    Id::DelayBeforeFirstAcquisition,
    Id::FileFormat,
    Id::SeriesTable,
    Id::First,
    Id::Second,
    Id::Third,
    Id::Intercept,
    Id::IntegrationTime,
    Id::Average,
    Id::Boxcar,
    Id::CorrectDark,
    Id::Channel,
    Id::LaserWavelength,
    Id::ViewRaman,
    Id::NumChannels,
    Id::Threshold,
    Id::Width,
    Id::Slope,
    Id::RemoveSpikes,
    Id::SubtractBaseline,
    Id::BaselineSmoothness,
    Id::BaselineAsymmetry,
    Id::BaselineCutOn,
    Id::RemoteControl,
    Id::RemotePort,
    Id::RemoteWatchdogSeconds,
    Id::RemoteDevice,
};

constexpr Id kControlBarOrder[] = {Id::BarChannel, Id::BarLaserWavelength, Id::BarXAxis};

// --- The table checks itself at compile time -------------------------------------

constexpr bool TableIsIndexedById()
{
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        if (static_cast<std::size_t>(kKeys[i].id) != i)
            return false;
    }
    return true;
}
static_assert(TableIsIndexedById(), "kKeys lists the keys in the order of Id");

constexpr bool IsControlBarKey(const Key& key)
{
    return std::holds_alternative<std::string B::*>(key.target);
}

// Every working key exactly once and no control-bar key.
template <std::size_t N>
constexpr bool CoversEveryWorkingKeyOnce(const Id (&order)[N])
{
    for (const Key& key : kKeys) {
        int count = 0;
        for (Id id : order)
            count += id == key.id ? 1 : 0;
        if (count != (IsControlBarKey(key) ? 0 : 1))
            return false;
    }
    return true;
}
static_assert(CoversEveryWorkingKeyOnce(kReadOrder), "every working key is read once");
static_assert(CoversEveryWorkingKeyOnce(kWriteOrder), "every working key is written once");

// Whether a member holds a whole number.
template <class Value, class Class>
constexpr bool HoldsInteger(Value Class::*)
{
    return std::is_integral_v<Value>;
}

// Whether a member holds a text rather than a number.
template <class Value, class Class>
constexpr bool HoldsText(Value Class::*)
{
    return std::is_same_v<Value, std::string>;
}

// The lowest and highest whole number a member holds (none for others).
template <class Value, class Class>
constexpr std::pair<long long, long long> IntegerRange(Value Class::*)
{
    if constexpr (std::is_integral_v<Value>)
        return {std::numeric_limits<Value>::min(), std::numeric_limits<Value>::max()};
    else
        return {0, 0};
}

// Integer reads go to integer members, text reads to numbers or texts, and
// every text fits the read buffer.
constexpr bool ReadsMatchTargets()
{
    for (const Key& key : kKeys) {
        const bool integral = std::visit([](auto member) { return HoldsInteger(member); }, key.target);
        if (integral != (key.read == ReadAs::Integer))
            return false;
        if (key.read == ReadAs::Text && (key.maxChars == 0 || key.maxChars > kLongestText))
            return false;
    }
    return true;
}
static_assert(ReadsMatchTargets(), "each key's read fits its member");

const Key& KeyOf(Id id)
{
    return kKeys[static_cast<std::size_t>(id)];
}

// Calls visit(section, channel) for each section the key lives in; channel is
// the calibration channel, 0 for a key with one section.
template <class Visit>
void ForEachSection(const Key& key, Visit visit)
{
    if (key.section != kEachChannel) {
        visit(key.section, 0);
        return;
    }
    for (int ch = 0; ch < kCalibratedChannels; ++ch)
        visit(kChannelSections[ch], ch);
}

// --- Reading ----------------------------------------------------------------------

// A key's value as read: the file's text (or the key's default), and for an
// integer read the integer it begins with.
struct Stored {
    std::string text;
    std::optional<long long> integer;  // nothing when the text does not begin with one
};

Stored DefaultOf(const Key& key)
{
    Stored value;
    value.text = key.defaultValue;
    if (key.read == ReadAs::Integer)
        value.integer = LeadingInteger(value.text);
    return value;
}

// Reads one key; false with the reason when the file exists but cannot be read.
bool ReadStored(const Key& key, const char* section, const char* fileName, Stored* value, std::string* error)
{
    char text[kLongestText + 1] = {};
    const unsigned size = key.read == ReadAs::Integer ? sizeof text : key.maxChars + 1;
    sys::GetPrivateProfileString(section, key.name, key.defaultValue, text, size, fileName);
    value->text = text;
    if (key.read == ReadAs::Integer) {
        if (value->text.empty())
            value->text = key.defaultValue;
        value->integer = LeadingInteger(value->text);
    }
    *error = sys::LastProfileError();
    return error->empty();
}

long long CheckedInteger(const Key& key, long long value)
{
    const long long fallback = LenientInt(key.defaultValue);
    const auto [lowest, highest] = std::visit([](auto member) { return IntegerRange(member); }, key.target);
    if (value < lowest || value > highest)
        return fallback;
    switch (key.check) {
    case Check::IntegrationTime:
        return value > kLongestRestoredIntegrationTimeMs ? kRestartIntegrationTimeMs : value;
    case Check::ChannelIndex:
        return value >= 0 && value < kCalibratedChannels ? value : fallback;
    case Check::ZeroOrOne:
        return value == 0 || value == 1 ? value : fallback;
    case Check::SeriesTableChoice:
        return value >= 0 && value <= kLastSeriesTableChoice ? value : fallback;
    default:
        return value;
    }
}

// Calibration coefficients and the laser wavelength.
bool HeldInSinglePrecision(const Key& key)
{
    return std::holds_alternative<PerChannel>(key.target) || std::holds_alternative<float W::*>(key.target);
}

double CheckedNumber(const Key& key, double value)
{
    if (key.check == Check::BaselineSmoothness)
        return cleaning::IsUsableSmoothness(value) ? value : LenientDouble(key.defaultValue);
    if (key.check == Check::BaselineAsymmetry)
        return cleaning::IsUsableAsymmetry(value) ? value : LenientDouble(key.defaultValue);
    if (key.check == Check::BaselineCutOn)
        return cleaning::IsUsableCutOn(value) ? value : LenientDouble(key.defaultValue);
    if (key.check == Check::FiniteNumber) {
        // "1e39" is a number, but no single-precision coefficient holds it.
        const double largest =
            HeldInSinglePrecision(key) ? std::numeric_limits<float>::max() : std::numeric_limits<double>::max();
        return std::fabs(value) <= largest ? value : LenientDouble(key.defaultValue);
    }
    if (key.check != Check::UsableLaserWavelength)
        return value;
    // Held in single precision: a value that only a double can hold is no
    // better than infinity.
    const bool usable =
        calibration::IsUsableLaserWavelength(value) && calibration::IsUsableLaserWavelength(static_cast<float>(value));
    return usable ? value : LenientDouble(key.defaultValue);
}

// The fewest digits that read back as the same single-precision value.
std::string FormatShortestSingle(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

// Puts a value read for key (in the calibration section of channel) where it
// belongs. Returns the value put, in the fewest digits that give it back,
// when it is not the number the stored text gives: the text is no number, or
// a check put another value in its place.
std::optional<std::string> Put(const Key& key, int channel, const Stored& value, W* working, B* bar)
{
    long long integer = 0;
    double number = 0.0;
    bool replaced = false;
    if (key.read == ReadAs::Integer) {
        integer = CheckedInteger(key, value.integer.value_or(0));
        replaced = !value.integer || integer != *value.integer;
    } else if (!std::visit([](auto member) { return HoldsText(member); }, key.target)) {
        const std::optional<double> leading = LeadingDouble(value.text);
        number = CheckedNumber(key, leading.value_or(0.0));
        replaced = !leading || number != *leading;
    }
    std::visit(
        [&](auto member) {
            using Member = decltype(member);
            const auto put = [&](auto& field) {
                using Value = std::remove_reference_t<decltype(field)>;
                if constexpr (std::is_same_v<Value, std::string>)
                    field = value.text;
                else if constexpr (std::is_integral_v<Value>)
                    field = static_cast<Value>(integer);
                else
                    field = static_cast<Value>(number);
            };
            if constexpr (std::is_same_v<Member, std::string B::*>) {
                bar->*member = value.text;
            } else if constexpr (std::is_same_v<Member, PerChannel>) {
                FieldOf(*working, member)[channel] = static_cast<float>(number);
            } else {
                put(FieldOf(*working, member));
            }
        },
        key.target);
    if (!replaced)
        return std::nullopt;
    if (key.read == ReadAs::Integer)
        return std::to_string(integer);
    return HeldInSinglePrecision(key) ? FormatShortestSingle(static_cast<float>(number)) : FormatShortest(number);
}

// --- Writing ---------------------------------------------------------------------

// Formats in the C locale for as long as it lives, on this thread only: the
// operator's language (which QApplication puts in force) may use a decimal
// comma, and a file written with one would read back wrong.
class CNumberFormatting {
public:
    CNumberFormatting()
    {
        if (const locale_t c = CLocale())
            previous_ = ::uselocale(c);
    }
    ~CNumberFormatting()
    {
        if (previous_)
            ::uselocale(previous_);
    }
    CNumberFormatting(const CNumberFormatting&) = delete;
    CNumberFormatting& operator=(const CNumberFormatting&) = delete;

private:
    static locale_t CLocale()
    {
        static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t{});
        return c;
    }
    locale_t previous_ = locale_t{};
};

template <class Number>
std::string Printf(const char* format, Number value)
{
    CNumberFormatting c;
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, value);
    if (length < 0)
        return {};
    if (static_cast<std::size_t>(length) < sizeof text)
        return std::string(text, static_cast<std::size_t>(length));
    // "%f" of a large double runs to hundreds of digits.
    std::string longer(static_cast<std::size_t>(length), '\0');
    std::snprintf(longer.data(), longer.size() + 1, format, value);
    return longer;
}

// The text written for key (in the calibration section of channel).
std::string Formatted(const Key& key, int channel, const W& working, const B& bar)
{
    long long integer = 0;
    double number = 0.0;
    std::string text;
    std::visit(
        [&](auto member) {
            using Member = decltype(member);
            const auto take = [&](const auto& field) {
                using Value = std::remove_cvref_t<decltype(field)>;
                if constexpr (std::is_same_v<Value, std::string>)
                    text = field;
                else if constexpr (std::is_integral_v<Value>)
                    integer = field;
                else
                    number = field;
            };
            if constexpr (std::is_same_v<Member, std::string B::*>) {
                text = bar.*member;
            } else if constexpr (std::is_same_v<Member, PerChannel>) {
                number = FieldOf(working, member)[channel];  // single precision, widened
            } else {
                take(FieldOf(working, member));
            }
        },
        key.target);
    switch (key.write) {
    case WriteAs::Signed:
        return Printf("%d", static_cast<int>(integer));
    case WriteAs::Unsigned:
        return Printf("%u", static_cast<unsigned>(integer));
    case WriteAs::Fixed:
        return FormatFixed(number);
    case WriteAs::Exponent:
        return FormatExponent(number);
    case WriteAs::Shortest:
        return FormatShortest(number);
    case WriteAs::Text:
        return key.maxChars ? ClipText(text, key.maxChars) : text;
    }
    return text;
}

// True when the file (or the batch open for it) holds the key. A stored
// value never holds a line break, so this default comes back only for a
// missing key (or a file that cannot be read, whose write then fails).
bool FileHasKey(const char* section, const char* key, const char* fileName)
{
    constexpr char kAbsent[] = "\n";
    char probe[sizeof kAbsent] = {};
    sys::GetPrivateProfileString(section, key, kAbsent, probe, sizeof probe, fileName);
    return probe[0] != kAbsent[0];
}

// A WhenUsed key is left out of a save while it holds its default and the
// file does not hold it.
bool LeftOut(const Key& key, const std::string& value, const char* fileName)
{
    if (key.presence == Presence::Always)
        return false;
    W defaults;
    B unusedBar;
    Put(key, 0, DefaultOf(key), &defaults, &unusedBar);
    if (value != Formatted(key, 0, defaults, unusedBar))
        return false;
    return !FileHasKey(key.section, key.name, fileName);
}

// The values a save compares with: what this run loaded, and the values it
// used in place of what the file held. Null: every key is written.
struct Loaded {
    const W* working = nullptr;
    const B* bar = nullptr;
    const std::vector<ReplacedValue>* replaced = nullptr;
};

bool WasReplaced(const Loaded& loaded, const char* section, const char* key)
{
    if (!loaded.replaced)
        return false;
    return std::any_of(loaded.replaced->begin(), loaded.replaced->end(),
                       [&](const ReplacedValue& r) { return r.section == section && r.key == key; });
}

// Writes the keys of order in one file write; false with the first reason.
// With loaded values, a key is written only when its text differs from the
// loaded one's, the value loaded was not what the file held, or the file,
// read again now, lacks it.
template <std::size_t N>
bool WriteKeys(const Id (&order)[N], const W& working, const B& bar, const Loaded& loaded, const char* fileName,
               std::string* error)
{
    // There is no cached copy to flush, but the request costs nothing and
    // keeps the sequence the platform expects.
    sys::WritePrivateProfileString(nullptr, nullptr, nullptr, fileName);
    std::string firstError;
    sys::ProfileWriteBatch batch(fileName);
    for (Id id : order) {
        const Key& key = KeyOf(id);
        ForEachSection(key, [&](const char* section, int channel) {
            const std::string value = Formatted(key, channel, working, bar);
            const bool unchanged = loaded.working && loaded.bar &&
                                   value == Formatted(key, channel, *loaded.working, *loaded.bar) &&
                                   !WasReplaced(loaded, section, key.name) && FileHasKey(section, key.name, fileName);
            if (unchanged || LeftOut(key, value, fileName))
                return;
            if (!sys::WritePrivateProfileString(section, key.name, value.c_str(), fileName) && firstError.empty())
                firstError = sys::LastProfileError();
        });
    }
    if (!batch.Commit() && firstError.empty())
        firstError = sys::LastProfileError();
    if (firstError.empty())
        return true;
    if (error)
        *error = firstError;
    return false;
}

}  // namespace

WorkingSettings DefaultSettings()
{
    W working;
    B unused;
    for (Id id : kReadOrder) {
        const Key& key = KeyOf(id);
        ForEachSection(key, [&](const char*, int channel) { Put(key, channel, DefaultOf(key), &working, &unused); });
    }
    return working;
}

ControlBarTexts DefaultControlBarTexts()
{
    W unused;
    B bar;
    for (Id id : kControlBarOrder)
        Put(KeyOf(id), 0, DefaultOf(KeyOf(id)), &unused, &bar);
    return bar;
}

LoadedSettings ReadWorkingSettings(const char* fileName)
{
    LoadedSettings loaded;
    B unused;
    for (Id id : kReadOrder) {
        const Key& key = KeyOf(id);
        bool readable = true;
        ForEachSection(key, [&](const char* section, int channel) {
            Stored value;
            if (!readable || !ReadStored(key, section, fileName, &value, &loaded.error)) {
                readable = false;
                return;
            }
            if (const std::optional<std::string> used = Put(key, channel, value, &loaded.values, &unused))
                loaded.replaced.push_back({section, key.name, value.text, *used});
        });
        if (!readable) {
            // Half a file is worse than none: every value takes its default.
            loaded.values = DefaultSettings();
            loaded.replaced.clear();
            return loaded;
        }
    }
    return loaded;
}

bool WriteWorkingSettings(const WorkingSettings& values, std::string* error, const char* fileName)
{
    return WriteKeys(kWriteOrder, values, B{}, Loaded{}, fileName, error);
}

std::string ReplacedValuesNotice(const std::vector<ReplacedValue>& replaced, const char* fileName)
{
    if (replaced.empty())
        return {};
    std::string notice = "The settings file \"" + sys::ResolveProfilePath(fileName) +
                         "\" holds values that cannot be used as they stand: ";
    for (const ReplacedValue& r : replaced) {
        if (&r != &replaced.front())
            notice += ", ";
        // A text as long as a path says no more than its start.
        const std::string stored = ClipText(r.stored, kNumberChars);
        notice += "[" + r.section + "] " + r.key + "=" + stored + (stored.size() < r.stored.size() ? "..." : "") +
                  " (" + r.used + " is used)";
    }
    return notice + ". The values used are saved at exit.";
}

bool WriteChangedWorkingSettings(const WorkingSettings& values, const LoadedSettings& loaded, std::string* error,
                                 const char* fileName)
{
    const B none;
    return WriteKeys(kWriteOrder, values, none, Loaded{&loaded.values, &none, &loaded.replaced}, fileName, error);
}

ControlBarTexts ReadControlBarTexts(const char* fileName)
{
    W unused;
    B bar;
    for (Id id : kControlBarOrder) {
        const Key& key = KeyOf(id);
        Stored value;
        std::string error;
        if (!ReadStored(key, key.section, fileName, &value, &error))
            return DefaultControlBarTexts();
        Put(key, 0, value, &unused, &bar);
    }
    return bar;
}

bool WriteControlBarTexts(const ControlBarTexts& texts, std::string* error, const char* fileName)
{
    return WriteKeys(kControlBarOrder, W{}, texts, Loaded{}, fileName, error);
}

bool WriteChangedControlBarTexts(const ControlBarTexts& texts, const ControlBarTexts& loaded, std::string* error,
                                 const char* fileName)
{
    const W none;
    return WriteKeys(kControlBarOrder, none, texts, Loaded{&none, &loaded}, fileName, error);
}

std::string FormatFixed(double value)
{
    return Printf("%f", value);
}

std::string FormatExponent(double value)
{
    return Printf("%.6e", value);
}

std::string FormatShortest(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

std::string ClipText(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    constexpr unsigned char kContinuationMask = 0xC0;
    constexpr unsigned char kContinuationBits = 0x80;
    std::size_t cut = maxBytes;
    // The byte at cut starts the part dropped; while it continues a
    // character, that character is dropped whole.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & kContinuationMask) == kContinuationBits)
        --cut;
    return text.substr(0, cut);
}

}  // namespace vexlar::settings
