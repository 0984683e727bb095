#pragma once
// A Python 3 with numpy for the tests that read the program's files the way
// scientists do, or an empty string when there is none.

#include <cstdlib>
#include <string>

namespace vexlar::test {

inline std::string PythonWithNumpy()
{
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        const std::string command = std::string(candidate) + " -c 'import numpy, csv' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0)
            return candidate;
    }
    return {};
}

// Single-quoted for the shell.
inline std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace vexlar::test
