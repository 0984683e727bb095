// vexlar-acquire: one acquisition on the engine, with no window and no
// display, for shell scripts. The steps follow what an operator does in the
// window: a dark with the laser off (Store Dark), the laser on, a fresh sum
// of the scans in additive mode (or one scan), the spectrum written whole,
// the laser off. Ctrl+C (any ending signal) switches the laser off at once
// and ends without writing anything.

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "ShutdownSignals.h"
#include "calibration/SettingsFile.h"
#include "cli/AcquireOptions.h"
#include "instrument/Instrument.h"

namespace {

using vexlar::Instrument;
using vexlar::cli::AcquireOptions;
using vexlar::cli::OutputFormat;

constexpr int kWritten = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;
// The longest wait for a scan beyond its own time.
constexpr int kScanGraceMs = 10000;

// The acquisition's steps, each taken as a scan comes in.
class Acquisition : public QObject {
public:
    Acquisition(Instrument& engine, const AcquireOptions& options) : engine_(engine), options_(options)
    {
        connect(&engine_, &Instrument::scanProcessed, this, &Acquisition::OnScan);
        silence_.setSingleShot(true);
        connect(&silence_, &QTimer::timeout, this, [this] { Fail("the spectrometer delivered no scan in time."); });
        const DriverParams& p = engine_.params();
        silence_.start(kScanGraceMs + static_cast<int>(p.IntegrationTime) * std::max<int>(p.Average, 1));
        step_ = options_.dark ? Step::Dark : options_.laser ? Step::LaserOn : Step::Take;
    }

private:
    enum class Step { Dark, LaserOn, Settle, Take, Sum, Done };

    void OnScan(bool)
    {
        const DriverParams& p = engine_.params();
        silence_.start(kScanGraceMs + static_cast<int>(p.IntegrationTime) * std::max<int>(p.Average, 1));
        switch (step_) {
        case Step::Dark:
            // Laser off: the scan is the dark.
            engine_.StoreDark();
            step_ = options_.laser ? Step::LaserOn : Step::Take;
            if (step_ == Step::Take)
                BeginTaking();
            else
                SwitchLaserOn();
            break;
        case Step::LaserOn:
            SwitchLaserOn();
            break;
        case Step::Settle:
            // The scan under way while the laser switched is of neither kind.
            step_ = Step::Take;
            BeginTaking();
            break;
        case Step::Take:
            // One scan, as it came.
            engine_.StopForAdditive();
            Finish();
            break;
        case Step::Sum:
            if (engine_.flags().additions >= options_.scans) {
                engine_.ToggleAdditiveMode();  // the sum stays, acquisition stops
                Finish();
            }
            break;
        case Step::Done:
            break;
        }
    }

    void SwitchLaserOn()
    {
        engine_.SetLaser(true);
        step_ = Step::Settle;
    }

    void BeginTaking()
    {
        if (!options_.dark)
            return;
        // A fresh sum, each scan less the dark, as additive mode adds them.
        engine_.StopForAdditive();
        const std::string refusal = engine_.ToggleAdditiveMode();
        if (!refusal.empty()) {
            Fail(refusal);
            return;
        }
        step_ = Step::Sum;
    }

    void Finish()
    {
        step_ = Step::Done;
        silence_.stop();
        engine_.SwitchLaserOff();
        std::string failure;
        switch (options_.format) {
        case OutputFormat::Csv:
            failure = engine_.ExportAs(options_.out, Instrument::kCsvFormat);
            break;
        case OutputFormat::Jcamp:
            failure = engine_.ExportAs(options_.out, Instrument::kJcampFormat);
            break;
        case OutputFormat::SpectrumFile:
            failure = engine_.SaveSpectrumFile(options_.out);
            break;
        }
        if (!failure.empty()) {
            Fail(failure);
            return;
        }
        QCoreApplication::exit(kWritten);
    }

    void Fail(const std::string& why)
    {
        step_ = Step::Done;
        engine_.SwitchLaserOff();
        std::string line = why;
        for (char& c : line) {
            if (c == '\n')
                c = ' ';
        }
        std::fprintf(stderr, "vexlar-acquire: %s\n", line.c_str());
        QCoreApplication::exit(kFailed);
    }

    Instrument& engine_;
    AcquireOptions options_;
    Step step_ = Step::Take;
    QTimer silence_;
};

}  // namespace

int main(int argc, char** argv)
{
    const vexlar::cli::ParsedAcquire parsed =
        vexlar::cli::ParseAcquireOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vexlar-acquire: %s\n%s", parsed.error.c_str(), vexlar::cli::AcquireUsage().c_str());
        return kBadArguments;
    }
    const AcquireOptions& o = parsed.options;
    if (o.help) {
        std::printf("%s", vexlar::cli::AcquireUsage().c_str());
        return 0;
    }
    // A file that could not be written is known before the laser and the
    // scans, not after them.
    const QFileInfo out(QString::fromStdString(o.out));
    const std::string folder = out.absolutePath().toStdString();
    std::string unwritable;
    if (out.isDir())
        unwritable = "it is a folder";
    else if (!out.absoluteDir().exists())
        unwritable = "the folder \"" + folder + "\" does not exist";
    else if (::access(folder.c_str(), W_OK | X_OK) != 0)
        unwritable = "the folder \"" + folder + "\" cannot be written into";
    if (!unwritable.empty()) {
        std::fprintf(stderr, "vexlar-acquire: cannot write \"%s\": %s; nothing was measured.\n", o.out.c_str(),
                     unwritable.c_str());
        return kFailed;
    }
    QCoreApplication core(argc, argv);
    std::setlocale(LC_ALL, "C");

    // The instrument as the settings file describes it (calibration, laser
    // line), with the command line's values over it; nothing is saved back.
    vexlar::settings::LoadedSettings loaded = vexlar::settings::ReadWorkingSettings(vexlar::settings::kFileName);
    vexlar::settings::WorkingSettings& s = loaded.values;
    if (o.integrationMs)
        s.integrationTime = static_cast<std::uint16_t>(*o.integrationMs);
    if (o.average)
        s.average = static_cast<std::int16_t>(*o.average);
    if (o.boxcar)
        s.boxcar = static_cast<std::int16_t>(*o.boxcar);
    if (o.channel)
        s.channel = static_cast<std::int16_t>(*o.channel);
    if (o.xAxis)
        s.xAxisMode = *o.xAxis;
    s.removeSpikes = o.removeSpikes ? 1 : 0;
    s.subtractBaseline = o.subtractBaseline ? 1 : 0;

    vexlar::AppContext app;
    app.hinst = &app;
    Instrument engine;
    int endingSignal = 0;
    vexlar::sys::ShutdownSignals signals(
        [&](int signal) {
            // Nothing is written: the file would hold an acquisition cut short.
            endingSignal = signal;
            engine.SwitchLaserOff();
            QCoreApplication::exit(vexlar::sys::ExitStatusForSignal(signal));
        },
        &Instrument::SwitchStrobeOffFromAnyThread);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    engine.Configure(&app, s);
    if (o.laserWavelength) {
        const std::string refusal = engine.SetLaserWavelength(*o.laserWavelength);
        if (!refusal.empty()) {
            std::fprintf(stderr, "vexlar-acquire: %s\n%s", refusal.c_str(), vexlar::cli::AcquireUsage().c_str());
            return kBadArguments;
        }
    }
    const std::string refusal = engine.Start();
    if (!refusal.empty()) {
        std::fprintf(stderr, "vexlar-acquire: %s\n", refusal.c_str());
        engine.Release();
        return kFailed;
    }
    Acquisition acquisition(engine, o);
    const int status = core.exec();
    engine.SwitchLaserOff();
    engine.Release();
    return endingSignal != 0 ? vexlar::sys::ExitStatusForSignal(endingSignal) : status;
}
