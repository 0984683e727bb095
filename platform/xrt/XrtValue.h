#pragma once
// Values passed to and read from the chart's property codes.
//
// Each code takes one type of value (see XrtCodes.h). The value carries its
// type with it, so a value of the wrong type for a code is refused instead of
// being read as something else: an int is never taken for a handle, a string
// pointer never for a double.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// Chart, data-set and text-area handles; 0 means none or failure. Font handles
// (vexlar::sys::FontHandle) are the same 32-bit kind of value.
using XrtHandle = std::uint32_t;

// A data style: nine 32-bit words (meanings in XrtCodes.h).
struct XrtDataStyle {
    std::uint32_t words[9] = {};
};
static_assert(sizeof(XrtDataStyle) == 36, "a data style is nine 32-bit words");

enum class XrtValueType { Int, Double, Text, TextLines, Handle, Style };

// A value to set. Built implicitly from the argument: int (and bool), double,
// const char* (text), a null-ended list of const char* (text lines), XrtHandle,
// or a pointer to a data style. The pointed-to data must stay valid for the
// duration of the call only; the chart copies what it keeps.
class XrtValue {
public:
    XrtValue(int value) : value_(value) { }
    XrtValue(double value) : value_(value) { }
    XrtValue(const char* text) : value_(text) { }
    XrtValue(const char* const* lines) : value_(lines) { }
    XrtValue(XrtHandle handle) : value_(handle) { }
    XrtValue(const XrtDataStyle* style) : value_(style) { }

    XrtValueType type() const { return static_cast<XrtValueType>(value_.index()); }

    int AsInt() const { return std::get<int>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    const char* AsText() const { return std::get<const char*>(value_); }
    const char* const* AsTextLines() const { return std::get<const char* const*>(value_); }
    XrtHandle AsHandle() const { return std::get<XrtHandle>(value_); }
    const XrtDataStyle* AsStyle() const { return std::get<const XrtDataStyle*>(value_); }

private:
    // Order matches XrtValueType.
    std::variant<int, double, const char*, const char* const*, XrtHandle, const XrtDataStyle*> value_;
};

// Where a value read back goes: a pointer to a variable of the code's type.
// Texts are copied into a std::string, text lines into a vector of strings;
// a style reads back as the pointer that was set.
class XrtValueOut {
public:
    XrtValueOut(int* value) : out_(value) { }
    XrtValueOut(double* value) : out_(value) { }
    XrtValueOut(std::string* text) : out_(text) { }
    XrtValueOut(std::vector<std::string>* lines) : out_(lines) { }
    XrtValueOut(XrtHandle* handle) : out_(handle) { }
    XrtValueOut(const XrtDataStyle** style) : out_(style) { }

    XrtValueType type() const { return static_cast<XrtValueType>(out_.index()); }
    bool IsNull() const
    {
        return std::visit([](auto* p) { return p == nullptr; }, out_);
    }

    int* IntPtr() const { return std::get<int*>(out_); }
    double* DoublePtr() const { return std::get<double*>(out_); }
    std::string* TextPtr() const { return std::get<std::string*>(out_); }
    std::vector<std::string>* TextLinesPtr() const { return std::get<std::vector<std::string>*>(out_); }
    XrtHandle* HandlePtr() const { return std::get<XrtHandle*>(out_); }
    const XrtDataStyle** StylePtr() const { return std::get<const XrtDataStyle**>(out_); }

private:
    std::variant<int*, double*, std::string*, std::vector<std::string>*, XrtHandle*, const XrtDataStyle**> out_;
};
