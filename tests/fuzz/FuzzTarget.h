#pragma once
// The fuzz targets of the readers of outside input: each is a function that
// takes any bytes as the content of a file or a field and feeds them to one
// reader, checking on the way what must hold for every input (nothing out of
// range reaches the workspace, what is written reads back the same).
//
// The same functions serve two programs: a libFuzzer executable per target
// (FuzzEntry.cpp, built with VEXLAR_FUZZ) and the regression test, which
// feeds them every saved input under tests/fuzz/corpus/ and
// tests/fuzz/regressions/ in the ordinary build.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace vexlar::fuzz {

using Target = int (*)(const std::uint8_t* data, std::size_t size);

// Every target linked into this program, by name (the folder name of its
// corpus and regressions).
std::map<std::string, Target>& Targets();

struct Registration {
    Registration(const char* name, Target target) { Targets()[name] = target; }
};

// A broken promise of a reader: says what and where, then aborts, which is
// what both libFuzzer and the regression test catch.
[[noreturn]] void Broken(const char* what, const char* file, int line);

// A file in this process's own scratch folder, made at the first call and
// removed at exit, for the readers that take a path.
std::string ScratchFile(const char* name);
// Replaces the file with the bytes; aborts when it cannot (the fuzz run
// would otherwise test nothing).
void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size);
// The whole file as it is now.
std::string ReadScratch(const std::string& path);

}  // namespace vexlar::fuzz

#define VEXLAR_FUZZ_CHECK(condition) ((condition) ? (void)0 : ::vexlar::fuzz::Broken(#condition, __FILE__, __LINE__))

// Defines the target function and registers it under name.
#define VEXLAR_FUZZ_TARGET(name)                                                                                       \
    static int FuzzTarget_##name(const std::uint8_t* data, std::size_t size);                                          \
    static const ::vexlar::fuzz::Registration kRegistration_##name(#name, &FuzzTarget_##name);                         \
    static int FuzzTarget_##name(const std::uint8_t* data, std::size_t size)
