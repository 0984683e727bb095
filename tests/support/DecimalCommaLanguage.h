#pragma once
// A language whose numbers are written with a decimal comma ("1,5"), made
// for the test with the C library's localedef, so that no such language need
// be installed on the machine. It is built under the name "de_DE" (German,
// as the C library and Qt both read the name) in a folder of its own, and
// LOCPATH points the C library there while the object lives. Only the number
// conventions are defined; every other category is the C library's default,
// whose character set is ASCII, so the name carries no character set.

#include <string>

#include "support/TempDir.h"

namespace vexlar::test {

class DecimalCommaLanguage {
public:
    // The name the language is found under while the object lives.
    static constexpr char kName[] = "de_DE";

    // Builds the language and points LOCPATH at it.
    DecimalCommaLanguage();
    // Gives the process back the numeric language it had and LOCPATH its
    // old value.
    ~DecimalCommaLanguage();
    DecimalCommaLanguage(const DecimalCommaLanguage&) = delete;
    DecimalCommaLanguage& operator=(const DecimalCommaLanguage&) = delete;

    // True when the language could be made and writes "1,5"; otherwise
    // failure() says why.
    bool made() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }

    // Makes it the process's numeric language, as a desktop session in that
    // language does at start; false when the C library refuses it.
    bool UseForNumbers();

private:
    TempDir folder_;
    std::string failure_;
    std::string previousNumeric_;
    std::string previousPath_;
    bool hadPath_ = false;
};

}  // namespace vexlar::test
