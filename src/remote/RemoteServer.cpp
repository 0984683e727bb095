#include "remote/RemoteServer.h"

// Tango's headers use names that Qt's keyword macros would replace; none of
// Qt's headers comes before them here.
#include <tango.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "files/FormatChoice.h"
#include "files/ShortestNumber.h"
#include "instrument/Instrument.h"
#include "remote/RemoteLink.h"
#include "timed/SeriesSettings.h"

namespace vexlar::remote {

namespace {

constexpr char kClassName[] = "VexlarRaman";
constexpr char kServerName[] = "vexlar";
constexpr char kInstanceName[] = "vexlar";
constexpr long kSpectrumPoints = kPixels;
// The largest count of averages or boxcar width the driver holds.
constexpr Tango::DevLong kMaxCount = 32767;

// The link the device reaches the engine through, for the one device server
// of the process.
RemoteLink* gLink = nullptr;

[[noreturn]] void Refuse(const std::string& text, const char* where)
{
    Tango::Except::throw_exception("VexlarRefused", text, where);
}

// Runs a device operation, turning a refusal into the Tango exception the
// client receives with the operator's message.
template <class Op>
auto Guard(const char* where, Op op) -> decltype(op())
{
    try {
        return op();
    } catch (const Refused& refused) {
        Refuse(refused.what(), where);
    }
}

RemoteLink& Link()
{
    if (!gLink)
        Refuse("Vexlar's remote control is not running.", "VexlarRaman");
    return *gLink;
}

// A scalar value for Tango to send and free.
template <class T>
void SetOwned(Tango::Attribute& attribute, T value)
{
    attribute.set_value(new T(value), 1, 0, true);
}

void SetOwnedString(Tango::Attribute& attribute, const std::string& text)
{
    // One string, which Tango frees as one (not as an array).
    auto* string = new Tango::DevString(Tango::string_dup(text.c_str()));
    attribute.set_value(string, 1, 0, true);
}

void SetOwnedSpectrum(Tango::Attribute& attribute, const std::vector<double>& values)
{
    auto* copy = new Tango::DevDouble[values.size()];
    std::copy(values.begin(), values.end(), copy);
    attribute.set_value(copy, static_cast<long>(values.size()), 0, true);
}

// An attribute whose reading and writing are functions.
class FunctionAttr : public Tango::Attr {
public:
    using Read = std::function<void(Tango::Attribute&)>;
    using Write = std::function<void(Tango::WAttribute&)>;
    FunctionAttr(const char* name, long type, Read read, Write write = {})
        : Tango::Attr(name, type, write ? Tango::READ_WRITE : Tango::READ),
          read_(std::move(read)),
          write_(std::move(write))
    { }
    void read(Tango::DeviceImpl*, Tango::Attribute& attribute) override
    {
        Guard(get_name().c_str(), [&] { read_(attribute); });
    }
    void write(Tango::DeviceImpl*, Tango::WAttribute& attribute) override
    {
        Guard(get_name().c_str(), [&] { write_(attribute); });
    }

private:
    Read read_;
    Write write_;
};

class SpectrumFunctionAttr : public Tango::SpectrumAttr {
public:
    using Read = std::function<std::vector<double>()>;
    SpectrumFunctionAttr(const char* name, Read read)
        : Tango::SpectrumAttr(name, Tango::DEV_DOUBLE, Tango::READ, kSpectrumPoints), read_(std::move(read))
    { }
    void read(Tango::DeviceImpl*, Tango::Attribute& attribute) override
    {
        Guard(get_name().c_str(), [&] { SetOwnedSpectrum(attribute, read_()); });
    }

private:
    Read read_;
};

// A command whose work is a function of its argument.
class FunctionCommand : public Tango::Command {
public:
    using Work = std::function<CORBA::Any*(FunctionCommand&, Tango::DeviceImpl&, const CORBA::Any&)>;
    FunctionCommand(const char* name, Tango::CmdArgType in, Tango::CmdArgType out, Work work)
        : Tango::Command(name, in, out), work_(std::move(work))
    { }
    CORBA::Any* execute(Tango::DeviceImpl* device, const CORBA::Any& in) override
    {
        return Guard(get_name().c_str(), [&] { return work_(*this, *device, in); });
    }
    // Tango's own packers, for the work functions.
    using Tango::Command::extract;
    using Tango::Command::insert;

private:
    Work work_;
};

// Tango serialises the calls to a device: one client's call at a time, as
// the attributes' values are kept in the device between a read and its reply.
// A call that waits long for the engine lets the device go meanwhile, on the
// thread that holds it, and takes it again before its reply.
class DeviceLetGo {
public:
    explicit DeviceLetGo(Tango::DeviceImpl& device) : monitor_(device.get_dev_monitor())
    {
        omni_thread* self = omni_thread::self();
        if (!self || monitor_.get_locking_thread_id() != self->id())
            return;
        held_ = monitor_.get_locking_ctr();
        for (long i = 0; i < held_; ++i)
            monitor_.rel_monitor();
    }
    ~DeviceLetGo()
    {
        // Not taken back within Tango's own time (another call holding it
        // that long), the reply goes without it: Tango's release of it
        // afterwards is then no release.
        try {
            for (long i = 0; i < held_; ++i)
                monitor_.get_monitor();
        } catch (const Tango::DevFailed&) { }
    }
    DeviceLetGo(const DeviceLetGo&) = delete;
    DeviceLetGo& operator=(const DeviceLetGo&) = delete;

private:
    Tango::TangoMonitor& monitor_;
    long held_ = 0;
};

// The device taken, as a client's call takes it, by a thread of Vexlar's own.
class DeviceHeld {
public:
    explicit DeviceHeld(Tango::DeviceImpl& device) : monitor_(device.get_dev_monitor()) { monitor_.get_monitor(); }
    ~DeviceHeld() { monitor_.rel_monitor(); }
    DeviceHeld(const DeviceHeld&) = delete;
    DeviceHeld& operator=(const DeviceHeld&) = delete;

private:
    Tango::TangoMonitor& monitor_;
};

// The engine's operations a client's call makes, each on the engine's thread.
template <class T, class Work>
T OnEngine(Work work)
{
    return Link().Run<T>(std::move(work));
}

void OnEngineVoid(std::function<void(Instrument&)> work)
{
    RemoteLink& link = Link();
    link.RunVoid([&link, work = std::move(work)] { work(link.engine()); });
}

// The engine's refusal (a non-empty message) as the client's exception.
void Check(const std::string& refusal)
{
    if (!refusal.empty())
        throw Refused(refusal);
}

std::string ModeName(const acquisition::AcquisitionFlags& flags)
{
    if (flags.additive)
        return "additive";
    return flags.scanning ? "continuous" : "stopped";
}

void SetMode(Instrument& engine, const std::string& mode)
{
    if (mode == "continuous")
        engine.Continuous();
    else if (mode == "additive")
        Check(engine.flags().additive ? std::string() : engine.ToggleAdditiveMode());
    else if (mode == "stopped")
        Link().Stop();
    else
        throw Refused("The mode is \"continuous\", \"additive\" or \"stopped\", not \"" + mode + "\".");
}

// A series plan given as JSON, over the settings in force.
timed::SeriesSettings SeriesPlan(const std::string& json, timed::SeriesSettings s)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError)
        throw Refused("The series plan is not JSON: " + error.errorString().toStdString() + " at character " +
                      std::to_string(error.offset) + ".");
    if (!document.isObject())
        throw Refused("The series plan is a JSON object, as {\"acquisitions\": 10, \"delayBetween\": 5}.");
    const QJsonObject plan = document.object();
    static const char* const kKeys[] = {"acquisitions", "delayBetween", "delayBeforeFirst", "laserWarmup",
                                        "toggleLaser",  "storeDark",    "baseFilename",     "format"};
    for (const QString& key : plan.keys()) {
        if (std::none_of(std::begin(kKeys), std::end(kKeys), [&](const char* k) { return key == k; }))
            throw Refused("The series plan has no key \"" + key.toStdString() +
                          "\": its keys are acquisitions, delayBetween, delayBeforeFirst, laserWarmup, toggleLaser, "
                          "storeDark, baseFilename and format.");
    }
    const auto count = [&](const char* key, unsigned* value) {
        if (!plan.contains(key))
            return;
        const double v = plan.value(key).toDouble(-1);
        if (!(v >= 0) || v != std::floor(v) || v > 1e9)
            throw Refused(std::string("The series plan's \"") + key + "\" must be a whole number of at least 0.");
        *value = static_cast<unsigned>(v);
    };
    const auto flag = [&](const char* key, auto* value) {
        if (plan.contains(key))
            *value = plan.value(key).toBool() ? 1 : 0;
    };
    count("acquisitions", &s.NumberOfAcquisitions);
    count("delayBetween", &s.DelayBetweenAcquisitions);
    count("delayBeforeFirst", &s.DelayBeforeFirstAcquisition);
    count("laserWarmup", &s.LaserWarmupTime);
    flag("toggleLaser", &s.ToggleLaser);
    flag("storeDark", &s.StoreDark);
    if (plan.contains("baseFilename"))
        s.BaseFilename = plan.value("baseFilename").toString().toStdString();
    // The series' files go beside the base name, on the server: its folder
    // must be there, or the series would run and keep nothing.
    const QFileInfo base(QString::fromStdString(s.BaseFilename));
    if (s.BaseFilename.empty() || !base.absoluteDir().exists())
        throw Refused("The series' files would go into \"" + base.absolutePath().toStdString() +
                      "\", which is not a folder on the server.");
    if (plan.contains("format")) {
        const QString format = plan.value("format").toString();
        if (format == "ram")
            s.FileFormat = 0;
        else if (format == "exp")
            s.FileFormat = 1;
        else
            throw Refused("The series plan's \"format\" is \"ram\" or \"exp\".");
    }
    return s;
}

class VexlarRaman : public Tango::Device_4Impl {
public:
    VexlarRaman(Tango::DeviceClass* cl, const char* name) : Tango::Device_4Impl(cl, name) { init_device(); }
    ~VexlarRaman() override { delete_device(); }

    void init_device() override
    {
        set_change_event("Spectrum", true, false);
        set_change_event("ScanCount", true, false);
    }
    // The device goes (the server ends): the laser off first, whatever else.
    void delete_device() override { Instrument::SwitchStrobeOffFromAnyThread(); }

    Tango::DevState dev_state() override
    {
        try {
            switch (OnEngine<DeviceState>([] { return Link().State(); })) {
            case DeviceState::Running:
                return Tango::RUNNING;
            case DeviceState::Fault:
                return Tango::FAULT;
            case DeviceState::Alarm:
                return Tango::ALARM;
            case DeviceState::On:
                break;
            }
            return Tango::ON;
        } catch (const Refused&) {
            return Tango::UNKNOWN;
        }
    }
    Tango::ConstDevString dev_status() override
    {
        std::string text;
        try {
            text = OnEngine<std::string>([] { return Link().status(); });
        } catch (const Refused& refused) {
            text = refused.what();
        }
        set_status(text);
        return Tango::DeviceImpl::dev_status();
    }
};

// The scans shown, pushed to subscribers in order from a thread of their
// own: the engine hands each over and goes on at once.
class EventPusher {
public:
    explicit EventPusher(Tango::DeviceImpl* device) : device_(device), thread_([this] { Push(); }) { }
    ~EventPusher()
    {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void Add(const double* spectrum, int pixels, std::int32_t count)
    {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({std::vector<double>(spectrum, spectrum + pixels), count});
        }
        wake_.notify_one();
    }

private:
    struct Scan {
        std::vector<double> spectrum;
        Tango::DevLong count;
    };
    void Push()
    {
        // Tango knows the threads that take a device: this one too.
        omni_thread::ensure_self self;
        for (;;) {
            Scan scan;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
                if (queue_.empty())
                    return;
                scan = std::move(queue_.front());
                queue_.pop_front();
            }
            try {
                // The pushed values pass through the device's attributes,
                // which a client's read may be using: the device is taken
                // as a client's call takes it.
                const DeviceHeld hold(*device_);
                device_->push_change_event("Spectrum", scan.spectrum.data(), static_cast<long>(scan.spectrum.size()));
                device_->push_change_event("ScanCount", &scan.count);
            } catch (const Tango::DevFailed&) {
                // A subscriber that went away takes nothing from the others.
            }
        }
    }

    Tango::DeviceImpl* device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Scan> queue_;
    bool ending_ = false;
    std::thread thread_;
};

class VexlarRamanClass : public Tango::DeviceClass {
public:
    static VexlarRamanClass* init(const char* name)
    {
        static VexlarRamanClass* instance = nullptr;
        if (!instance) {
            std::string s(name);
            instance = new VexlarRamanClass(s);
        }
        return instance;
    }

    // The one device's event pusher, made with it.
    std::unique_ptr<EventPusher> pusher;

protected:
    explicit VexlarRamanClass(std::string& name) : Tango::DeviceClass(name) { }

    void device_factory(const Tango::DevVarStringArray* names) override
    {
        for (unsigned long i = 0; i < names->length(); ++i)
            device_list.push_back(new VexlarRaman(this, (*names)[i]));
        for (Tango::DeviceImpl* device : device_list) {
            if (Tango::Util::_UseDb && !Tango::Util::_FileDb)
                export_device(device);
            else
                export_device(device, device->get_name().c_str());
        }
        if (!device_list.empty())
            pusher = std::make_unique<EventPusher>(device_list.front());
    }

    void attribute_factory(std::vector<Tango::Attr*>& list) override;
    void command_factory() override;
};

void VexlarRamanClass::attribute_factory(std::vector<Tango::Attr*>& list)
{
    // The control bar's values.
    list.push_back(new FunctionAttr(
        "IntegrationTime", Tango::DEV_LONG,
        [](Tango::Attribute& a) {
            SetOwned<Tango::DevLong>(
                a, OnEngine<long>(
                       [] { return Link().engine().AcquisitionValueShown(AcquisitionValue::IntegrationTime); }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevLong value = 0;
            a.get_write_value(value);
            if (value < 1)
                throw Refused("The integration time can be no less than 1 msec: \"" + std::to_string(value) +
                              "\" was not applied.");
            OnEngineVoid([value](Instrument& e) {
                Check(e.SetAcquisitionValue(AcquisitionValue::IntegrationTime, std::to_string(value)));
            });
        }));
    for (const auto& [name, which] :
         {std::pair{"Averages", AcquisitionValue::Average}, std::pair{"Boxcar", AcquisitionValue::Boxcar}}) {
        const AcquisitionValue w = which;
        list.push_back(new FunctionAttr(
            name, Tango::DEV_LONG,
            [w](Tango::Attribute& a) {
                SetOwned<Tango::DevLong>(a, OnEngine<long>([w] { return Link().engine().AcquisitionValueShown(w); }));
            },
            [w](Tango::WAttribute& a) {
                Tango::DevLong value = 0;
                a.get_write_value(value);
                // The driver's range; the control bar's own leniency (an
                // Avg of 0 counts as 1) is no use to a client.
                if (w == AcquisitionValue::Average && (value < 1 || value > kMaxCount))
                    throw Refused("The number of averages is 1 to 32767: \"" + std::to_string(value) +
                                  "\" was not applied.");
                if (w == AcquisitionValue::Boxcar && (value < 0 || value > kMaxCount))
                    throw Refused("The boxcar width is 0 to 32767: \"" + std::to_string(value) + "\" was not applied.");
                OnEngineVoid([w, value](Instrument& e) { Check(e.SetAcquisitionValue(w, std::to_string(value))); });
            }));
    }
    // The laser line as the control bar's field holds it: text, taken as the
    // field takes it ("632,5" is refused, not cut).
    list.push_back(new FunctionAttr(
        "LaserWavelength", Tango::DEV_STRING,
        [](Tango::Attribute& a) {
            SetOwnedString(a, OnEngine<std::string>(
                                  [] { return files::ShortestText(Link().engine().calibration().laserWavelength); }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevString value = nullptr;
            a.get_write_value(value);
            const std::string typed = value ? value : "";
            OnEngineVoid([typed](Instrument& e) { Check(e.SetLaserWavelength(typed)); });
        }));
    list.push_back(new FunctionAttr(
        "Channel", Tango::DEV_SHORT,
        [](Tango::Attribute& a) {
            SetOwned<Tango::DevShort>(a, OnEngine<short>([] { return Link().engine().workspace().channel; }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevShort value = 0;
            a.get_write_value(value);
            if (value < 0 || value >= kChannels)
                throw Refused("The channel is 0 (Master) to 7 (Slave 7).");
            OnEngineVoid([value](Instrument& e) { e.SelectChannel(value); });
        }));
    list.push_back(new FunctionAttr(
        "XAxis", Tango::DEV_SHORT,
        [](Tango::Attribute& a) {
            SetOwned<Tango::DevShort>(
                a, OnEngine<short>([] { return static_cast<short>(Link().engine().workspace().xAxisMode); }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevShort value = 0;
            a.get_write_value(value);
            if (value != 0 && value != 1)
                throw Refused("The x axis is 0 (wavelength, nm) or 1 (Raman shift, cm-1).");
            OnEngineVoid([value](Instrument& e) { e.SetXAxisMode(value); });
        }));
    list.push_back(new FunctionAttr(
        "LaserOn", Tango::DEV_BOOLEAN,
        [](Tango::Attribute& a) {
            SetOwned<Tango::DevBoolean>(a, OnEngine<bool>([] { return Link().engine().IsLaserOn(); }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevBoolean on = false;
            a.get_write_value(on);
            Link().RunVoid([on] { Link().SetLaser(on); });
        }));
    list.push_back(new FunctionAttr(
        "Mode", Tango::DEV_STRING,
        [](Tango::Attribute& a) {
            SetOwnedString(a, OnEngine<std::string>([] { return ModeName(Link().engine().flags()); }));
        },
        [](Tango::WAttribute& a) {
            Tango::DevString value = nullptr;
            a.get_write_value(value);
            const std::string mode = value ? value : "";
            OnEngineVoid([mode](Instrument& e) { SetMode(e, mode); });
        }));
    list.push_back(new FunctionAttr("ScanCount", Tango::DEV_LONG, [](Tango::Attribute& a) {
        SetOwned<Tango::DevLong>(a, OnEngine<std::int32_t>([] { return Link().scanCount(); }));
    }));
    list.push_back(new FunctionAttr("DarkStored", Tango::DEV_BOOLEAN, [](Tango::Attribute& a) {
        SetOwned<Tango::DevBoolean>(a, OnEngine<bool>([] { return Link().engine().flags().darkStored; }));
    }));
    list.push_back(new FunctionAttr("SeriesRunning", Tango::DEV_BOOLEAN, [](Tango::Attribute& a) {
        SetOwned<Tango::DevBoolean>(a, OnEngine<bool>([] { return Link().engine().IsSeriesRunning(); }));
    }));
    // The three switches of the spectrum as shown: written to the state asked for.
    struct Switch {
        const char* name;
        bool (*on)(const Instrument&);
        void (*toggle)(Instrument&);
    };
    const Switch switches[] = {
        {"SubtractDark", [](const Instrument& e) { return e.flags().subtractDark; },
         [](Instrument& e) { e.ToggleSubtractDark(); }},
        {"RemoveSpikes", [](const Instrument& e) { return e.IsRemovingSpikes(); },
         [](Instrument& e) { e.ToggleRemoveSpikes(); }},
        {"SubtractBaseline", [](const Instrument& e) { return e.IsSubtractingBaseline(); },
         [](Instrument& e) { e.ToggleSubtractBaseline(); }},
    };
    for (const Switch& s : switches) {
        list.push_back(new FunctionAttr(
            s.name, Tango::DEV_BOOLEAN,
            [s](Tango::Attribute& a) {
                SetOwned<Tango::DevBoolean>(a, OnEngine<bool>([s] { return s.on(Link().engine()); }));
            },
            [s](Tango::WAttribute& a) {
                Tango::DevBoolean on = false;
                a.get_write_value(on);
                OnEngineVoid([s, on](Instrument& e) {
                    if (s.on(e) != static_cast<bool>(on))
                        s.toggle(e);
                });
            }));
    }
    // The spectrum on screen and its axes.
    list.push_back(new SpectrumFunctionAttr("Spectrum", [] {
        return OnEngine<std::vector<double>>([] {
            const double* shown = Link().engine().ShownSpectrum();
            return std::vector<double>(shown, shown + kPixels);
        });
    }));
    list.push_back(new SpectrumFunctionAttr("Wavelength", [] {
        return OnEngine<std::vector<double>>([] {
            const double* x = Link().engine().workspace().wavelength;
            return std::vector<double>(x, x + kPixels);
        });
    }));
    list.push_back(new SpectrumFunctionAttr("RamanShift", [] {
        return OnEngine<std::vector<double>>([] {
            const double* x = Link().engine().workspace().ramanShift;
            return std::vector<double>(x, x + kPixels);
        });
    }));
    list.push_back(new SpectrumFunctionAttr(
        "PeakPositions", [] { return OnEngine<std::vector<double>>([] { return Link().peakPositions(); }); }));
    list.push_back(new SpectrumFunctionAttr(
        "PeakHeights", [] { return OnEngine<std::vector<double>>([] { return Link().peakHeights(); }); }));
}

void VexlarRamanClass::command_factory()
{
    const auto simple = [this](const char* name, std::function<void(Instrument&)> work) {
        command_list.push_back(new FunctionCommand(name, Tango::DEV_VOID, Tango::DEV_VOID,
                                                   [work](FunctionCommand& c, Tango::DeviceImpl&, const CORBA::Any&) {
                                                       OnEngineVoid(work);
                                                       return c.insert();
                                                   }));
    };
    simple("Continuous", [](Instrument& e) { e.Continuous(); });
    simple("Additive", [](Instrument& e) { SetMode(e, "additive"); });
    simple("Stop", [](Instrument&) { Link().Stop(); });
    simple("Reset", [](Instrument& e) { e.Reset(); });
    simple("StoreDark", [](Instrument& e) { e.StoreDark(); });
    simple("FindPeaks", [](Instrument&) { Link().FindPeaks(); });
    simple("ApplyCalibration", [](Instrument&) { Link().ApplyCalibration(); });

    command_list.push_back(new FunctionCommand("Acquire", Tango::DEV_LONG, Tango::DEV_VOID,
                                               [](FunctionCommand& c, Tango::DeviceImpl& device, const CORBA::Any& in) {
                                                   Tango::DevLong scans = 0;
                                                   c.extract(in, scans);
                                                   RemoteLink& link = Link();
                                                   const std::shared_future<void> done =
                                                       link.Run<std::shared_future<void>>(
                                                           [&link, scans] { return link.StartAcquire(scans); });
                                                   // The scans take their time; each may take up to a minute at the
                                                   // longest integration.
                                                   const auto longest = std::chrono::minutes(1) * (scans + 1);
                                                   // Other clients are served meanwhile (Stop, the state, the
                                                   // spectrum as it grows): the device is let go while the scans
                                                   // come and taken again for the reply.
                                                   bool arrived = false;
                                                   {
                                                       const DeviceLetGo letGo(device);
                                                       arrived = done.wait_for(longest) == std::future_status::ready;
                                                   }
                                                   if (!arrived)
                                                       throw Refused("The scans did not come in time.");
                                                   done.get();  // the Acquire's own refusal, if any
                                                   return c.insert();
                                               }));
    const auto withPath = [this](const char* name, std::function<std::string(Instrument&, const std::string&)> work) {
        command_list.push_back(
            new FunctionCommand(name, Tango::DEV_STRING, Tango::DEV_VOID,
                                [work](FunctionCommand& c, Tango::DeviceImpl&, const CORBA::Any& in) {
                                    Tango::ConstDevString text = nullptr;
                                    c.extract(in, text);
                                    const std::string path = text ? text : "";
                                    OnEngineVoid([work, path](Instrument& e) { Check(work(e, path)); });
                                    return c.insert();
                                }));
    };
    withPath("SaveGraph", [](Instrument& e, const std::string& path) { return e.SaveSpectrumFile(path); });
    withPath("ExportAs", [](Instrument& e, const std::string& path) {
        if (QFileInfo(QString::fromStdString(path)).suffix().compare("ram", Qt::CaseInsensitive) == 0)
            return e.SaveSpectrumFile(path);
        return e.ExportAs(path, files::FormatOfPath(path, Instrument::ExportAsExtensions(), Instrument::kCsvFormat));
    });
    command_list.push_back(new FunctionCommand(
        "StartSeries", Tango::DEV_STRING, Tango::DEV_VOID,
        [](FunctionCommand& c, Tango::DeviceImpl&, const CORBA::Any& in) {
            Tango::ConstDevString text = nullptr;
            c.extract(in, text);
            const std::string json = text ? text : "";
            OnEngineVoid([json](Instrument& e) {
                const timed::SeriesSettings plan = SeriesPlan(json, e.seriesSettings());
                // A series that toggles the laser switches it on: only with
                // the operator's permission, as a client's LaserOn.
                if (plan.ToggleLaser && !Link().options().allowLaser)
                    throw Refused("The series would switch the laser on, and remote laser control is not allowed: "
                                  "the operator allows it in Setup > Remote Control (or with --allow-remote-laser).");
                e.SetSeriesSettings(plan);
                Check(e.StartSeries());
                Link().StartSeries(plan.ToggleLaser != 0);
            });
            return c.insert();
        }));
    command_list.push_back(new FunctionCommand("CalibrateFromLamp", Tango::DEV_VOID, Tango::DEV_STRING,
                                               [](FunctionCommand& c, Tango::DeviceImpl&, const CORBA::Any&) {
                                                   const std::string json =
                                                       OnEngine<std::string>([] { return Link().CalibrateFromLamp(); });
                                                   return c.insert(json.c_str());
                                               }));
    command_list.push_back(new FunctionCommand("CheckRamanShift", Tango::DEV_STRING, Tango::DEV_STRING,
                                               [](FunctionCommand& c, Tango::DeviceImpl&, const CORBA::Any& in) {
                                                   Tango::ConstDevString text = nullptr;
                                                   c.extract(in, text);
                                                   const std::string standard = text ? text : "";
                                                   const std::string json = OnEngine<std::string>(
                                                       [standard] { return Link().CheckRamanShift(standard); });
                                                   return c.insert(json.c_str());
                                               }));
}

// Why the device server could not listen on the port (empty when it can):
// the control system's own report of a port in use names only its step.
std::string PortProblem(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return {};
    const int yes = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string problem;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        problem = "the port " + std::to_string(port) + " cannot be used: " + std::strerror(errno);
        if (errno == EADDRINUSE)
            problem += " (another program, or another Vexlar, listens on it)";
    }
    ::close(s);
    return problem;
}

}  // namespace

// --- The device server ---------------------------------------------------------------------

class RemoteServer::Impl {
public:
    explicit Impl(RemoteLink& link) : link_(link) { }

    std::string Start()
    {
        const RemoteOptions& options = link_.options();
        arguments_ = {kServerName, kInstanceName};
        if (options.port > 0) {
            const std::string problem = PortProblem(options.port);
            if (!problem.empty())
                return problem;
            arguments_.push_back("-ORBendPoint");
            arguments_.push_back("giop:tcp::" + std::to_string(options.port));
            arguments_.push_back("-nodb");
            arguments_.push_back("-dlist");
            arguments_.push_back(kDeviceNameWithoutDatabase);
        }
        for (std::string& a : arguments_)
            argv_.push_back(a.data());
        argv_.push_back(nullptr);
        gLink = &link_;
        std::promise<std::string> started;
        std::future<std::string> ready = started.get_future();
        thread_ = std::thread([this, &started] { Run(started); });
        const std::string problem = ready.get();
        if (!problem.empty()) {
            thread_.join();
            gLink = nullptr;
            return problem;
        }
        // Each scan shown goes to the subscribers, handed over on the
        // engine's thread (this one).
        if (EventPusher* pusher = VexlarRamanClass::init(kClassName)->pusher.get()) {
            link_.onScanShown = [pusher](const double* spectrum, int pixels, std::int32_t count) {
                pusher->Add(spectrum, pixels, count);
            };
        }
        return {};
    }

    void Stop()
    {
        if (!thread_.joinable())
            return;
        link_.Close();
        link_.onScanShown = nullptr;
        VexlarRamanClass::init(kClassName)->pusher.reset();
        // The device server ends as its own Kill command ends it: from a
        // thread of the control system's library, which it needs.
        auto* killer = new Tango::KillThread;  // deletes itself when joined
        killer->start();
        killer->join(nullptr);
        thread_.join();
        gLink = nullptr;
    }

private:
    void Run(std::promise<std::string>& started)
    {
        Tango::Util* tango = nullptr;
        try {
            tango = Tango::Util::init(static_cast<int>(argv_.size() - 1), argv_.data());
            tango->server_init(false);
        } catch (const Tango::DevFailed& failed) {
            started.set_value("the device server could not start: " +
                              std::string(failed.errors.length() ? failed.errors[0].desc.in() : "unknown reason"));
            return;
        } catch (const CORBA::Exception& failed) {
            started.set_value(std::string("the device server could not start: ") + failed._name());
            return;
        }
        // With a database the devices are those registered for this server:
        // the one the operator named must be among them.
        if (link_.options().port <= 0 && !IsExported(*tango, link_.options().deviceName)) {
            started.set_value("the Tango database has no device " + link_.options().deviceName +
                              " for the server vexlar/vexlar; register it with: tango_admin --add-server "
                              "vexlar/vexlar VexlarRaman " +
                              link_.options().deviceName);
            return;
        }
        started.set_value(std::string());
        try {
            tango->server_run();
        } catch (...) { }
    }

    static bool IsExported(Tango::Util& tango, const std::string& name)
    {
        try {
            for (Tango::DeviceImpl* device : tango.get_device_list_by_class(kClassName)) {
                if (QString::fromStdString(device->get_name())
                        .compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
                    return true;
            }
        } catch (const Tango::DevFailed&) { }
        return false;
    }

    RemoteLink& link_;
    std::vector<std::string> arguments_;
    std::vector<char*> argv_;
    std::thread thread_;
};

RemoteServer::RemoteServer(RemoteLink& link) : impl_(std::make_unique<Impl>(link)) { }

RemoteServer::~RemoteServer()
{
    Stop();
}

std::string RemoteServer::Start()
{
    return impl_->Start();
}

void RemoteServer::Stop()
{
    impl_->Stop();
}

// What the program finds when it loads this module.
extern "C" __attribute__((visibility("default"))) DeviceServer* VexlarCreateDeviceServer(RemoteLink* link)
{
    return new RemoteServer(*link);
}

}  // namespace vexlar::remote

// The class of the device server, which Tango asks the program for.
void Tango::DServer::class_factory()
{
    add_class(vexlar::remote::VexlarRamanClass::init(vexlar::remote::kClassName));
}
