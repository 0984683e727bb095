#include "app/CommandLine.h"

#include "app/RemoteAccess.h"
#include "text/NumberText.h"

namespace vexlar {

namespace {

constexpr int kHighestPort = 65535;

// Qt's own options, which Qt takes with one dash or two.
bool IsQtOption(const std::string& argument)
{
    static const char* const kQtOptions[] = {"platform",      "platformpluginpath",
                                             "platformtheme", "plugin",
                                             "qmljsdebugger", "qwindowgeometry",
                                             "qwindowicon",   "qwindowtitle",
                                             "geometry",      "title",
                                             "display",       "style",
                                             "stylesheet",    "reverse",
                                             "session",       "widgetcount",
                                             "name",          "dialogs",
                                             "fontengine",    "nograb",
                                             "dograb",        "sync"};
    std::string name = argument.substr(2);
    name = name.substr(0, name.find('='));
    for (const char* option : kQtOptions) {
        if (name == option)
            return true;
    }
    return false;
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv)
{
    ParsedCommandLine parsed;
    CommandLine& o = parsed.options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--tango-port") {
            const std::optional<unsigned> port = hasValue ? UnsignedText(argv[i + 1]) : std::nullopt;
            if (!port || *port < 1 || *port > static_cast<unsigned>(kHighestPort)) {
                parsed.error = "--tango-port needs a port number from 1 to 65535";
                return parsed;
            }
            o.tangoPort = static_cast<int>(*port);
            ++i;
        } else if (argument == "--tango-device") {
            if (!hasValue || !IsTangoDeviceName(argv[i + 1])) {
                parsed.error = "--tango-device needs the device's name, as domain/family/member";
                return parsed;
            }
            o.tangoDevice = argv[++i];
        } else if (argument == "--no-window") {
            o.noWindow = true;
        } else if (argument == "--allow-remote-laser") {
            o.allowRemoteLaser = true;
        } else if (argument == "--help" || argument == "-h") {
            o.help = true;
        } else if (argument.rfind("--", 0) == 0 && !IsQtOption(argument)) {
            parsed.error = "unknown option \"" + argument + "\"";
            return parsed;
        }
    }
    if (o.tangoPort > 0 && !o.tangoDevice.empty())
        parsed.error = "--tango-port and --tango-device cannot be given together";
    else if (o.noWindow && !o.Exported())
        parsed.error = "--no-window needs --tango-port or --tango-device: nothing else could drive Vexlar";
    return parsed;
}

std::string CommandLineUsage()
{
    return "Usage: vexlar [--tango-port PORT | --tango-device NAME] [--no-window] [--allow-remote-laser]\n"
           "  --tango-port PORT      export Vexlar as the Tango device tango://HOST:PORT/vexlar/raman/1#dbase=no\n"
           "  --tango-device NAME    export it as NAME through the Tango database TANGO_HOST names\n"
           "  --no-window            run the engine and the device without any display\n"
           "  --allow-remote-laser   let clients switch the laser on\n";
}

}  // namespace vexlar
