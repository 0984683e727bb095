#include "cli/AcquireOptions.h"

#include <algorithm>
#include <cctype>

#include "text/NumberText.h"

namespace vexlar::cli {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<OutputFormat> FormatOf(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    const std::string extension = Lower(path.substr(dot + 1));
    if (extension == "csv")
        return OutputFormat::Csv;
    if (extension == "jdx" || extension == "dx" || extension == "jcm" || extension == "jcamp")
        return OutputFormat::Jcamp;
    if (extension == "ram")
        return OutputFormat::SpectrumFile;
    return std::nullopt;
}

}  // namespace

ParsedAcquire ParseAcquireOptions(const std::vector<std::string>& arguments)
{
    ParsedAcquire parsed;
    AcquireOptions& o = parsed.options;
    const auto fail = [&](const std::string& error) {
        parsed.error = error;
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const std::string value = hasValue ? arguments[i + 1] : std::string();
        // A whole number from lowest to highest, for the option a.
        const auto number = [&](long lowest, long highest) -> std::optional<int> {
            const std::optional<double> n = hasValue ? WholeNumber(value) : std::nullopt;
            if (!n || *n != static_cast<long>(*n) || *n < lowest || *n > highest)
                return std::nullopt;
            ++i;
            return static_cast<int>(*n);
        };
        if (a == "--scans") {
            const std::optional<int> n = number(1, 1000000);
            if (!n)
                return fail("--scans needs a number of scans from 1 to 1000000");
            o.scans = *n;
        } else if (a == "--integration") {
            if (!(o.integrationMs = number(1, 65535)))
                return fail("--integration needs milliseconds from 1 to 65535");
        } else if (a == "--average") {
            if (!(o.average = number(1, 32767)))
                return fail("--average needs a number of scans from 1 to 32767");
        } else if (a == "--boxcar") {
            if (!(o.boxcar = number(0, 32767)))
                return fail("--boxcar needs a width from 0 to 32767");
        } else if (a == "--channel") {
            if (!(o.channel = number(0, 7)))
                return fail("--channel needs a channel from 0 (Master) to 7");
        } else if (a == "--laser-wavelength") {
            if (!hasValue)
                return fail("--laser-wavelength needs the laser line in nm");
            o.laserWavelength = value;
            ++i;
        } else if (a == "--x-axis") {
            const std::string axis = Lower(value);
            if (axis == "wavelength" || axis == "nm")
                o.xAxis = 0;
            else if (axis == "raman" || axis == "raman-shift" || axis == "shift")
                o.xAxis = 1;
            else
                return fail("--x-axis is \"wavelength\" or \"raman\"");
            ++i;
        } else if (a == "--out") {
            if (!hasValue || value.empty())
                return fail("--out needs the file to write");
            o.out = value;
            ++i;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
            return parsed;
        } else if (a == "--dark") {
            o.dark = true;
        } else if (a == "--laser") {
            o.laser = true;
        } else if (a == "--remove-spikes") {
            o.removeSpikes = true;
        } else if (a == "--subtract-baseline") {
            o.subtractBaseline = true;
        } else {
            return fail("unknown option \"" + a + "\"");
        }
    }
    if (o.out.empty())
        return fail("--out is needed: the file the spectrum is written to");
    const std::optional<OutputFormat> format = FormatOf(o.out);
    if (!format)
        return fail("the output's extension names its format: .csv, .jdx (.dx, .jcm) or .ram");
    o.format = *format;
    if (o.scans > 1 && !o.dark)
        return fail("--scans above 1 needs --dark: the scans are added, each less the dark");
    return parsed;
}

std::string AcquireUsage()
{
    return "Usage: vexlar-acquire --out FILE [--scans N --dark] [--laser] [--integration MS] [--average N]\n"
           "                      [--boxcar N] [--channel N] [--laser-wavelength NM] [--x-axis wavelength|raman]\n"
           "                      [--remove-spikes] [--subtract-baseline]\n"
           "  One acquisition on the spectrometer, written to FILE: CSV (.csv), JCAMP-DX (.jdx) or a Vexlar\n"
           "  spectrum file (.ram). With --dark a dark spectrum is taken first, laser off, and the N scans are\n"
           "  added, each less the dark. Without --laser the laser stays off.\n"
           "  Exit status: 0 written, 1 the spectrometer or the file failed, 2 bad arguments.\n";
}

}  // namespace vexlar::cli
