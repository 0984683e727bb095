#pragma once
// Vexlar's own command-line options; Qt's (-platform and the like) pass
// through untouched (with one dash or two); any other option with two
// dashes is refused.
//
//   --tango-port PORT       export Vexlar as a Tango device without a
//                           database: tango://HOST:PORT/vexlar/raman/1#dbase=no
//   --tango-device NAME     export it through the database TANGO_HOST names
//   --no-window             the engine and the device without any display
//   --allow-remote-laser    clients may switch the laser on (never kept)

#include <optional>
#include <string>

namespace vexlar {

struct CommandLine {
    int tangoPort = 0;
    std::string tangoDevice;
    bool noWindow = false;
    bool allowRemoteLaser = false;
    bool help = false;  // --help or -h: the usage, and nothing started
    bool Exported() const { return tangoPort > 0 || !tangoDevice.empty(); }
};

// The options given, or the reason they cannot be taken.
struct ParsedCommandLine {
    CommandLine options;
    std::string error;
};
ParsedCommandLine ParseCommandLine(int argc, char** argv);

// The usage text, for a command line that cannot be taken.
std::string CommandLineUsage();

}  // namespace vexlar
