// The acquisition workspace and flags as the view starts with them: made in
// memory that held anything, every buffer, spectrum and axis is zero and
// every flag is off, so nothing undefined reaches the screen or the driver
// before the settings and the first scan arrive.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>

#include "acquisition/AcquisitionFlags.h"
#include "acquisition/AcquisitionWorkspace.h"

using vexlar::kChannels;
using vexlar::kPixels;
using vexlar::acquisition::AcquisitionFlags;
using vexlar::acquisition::AcquisitionWorkspace;

namespace {

// One T, default-initialised as the view's members are, in storage whose
// every byte was 1: a pattern no field starts with (a flag reads on, every
// number is non-zero), yet a valid value of each. The compiler may take the
// storage of an object under construction to hold nothing worth keeping; the
// barriers make the pattern really be there, and every field be read from
// memory.
template <class T>
struct Dirty {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    T* Make()
    {
        unsigned char* storage = bytes.get();
        std::memset(storage, 0x01, sizeof(T));
        asm volatile("" : : "r"(storage) : "memory");
        T* made = new (storage) T;
        asm volatile("" : : "r"(made) : "memory");
        return made;
    }
    std::unique_ptr<unsigned char[]> bytes{new unsigned char[sizeof(T)]};
};

bool AllZero(const double (&values)[kPixels])
{
    for (double v : values)
        if (v != 0.0)
            return false;
    return true;
}

}  // namespace

TEST(AcquisitionState, TheWorkspaceStartsAtZeroWhateverItsMemoryHeld)
{
    Dirty<AcquisitionWorkspace> memory;
    AcquisitionWorkspace* w = memory.Make();

    for (int ch = 0; ch < kChannels; ++ch)
        for (int i = 0; i < kPixels; ++i)
            ASSERT_EQ(w->raw[ch][i], 0.0f) << "channel " << ch << ", pixel " << i;
    EXPECT_TRUE(AllZero(w->spectrum));
    EXPECT_TRUE(AllZero(w->dark));
    EXPECT_TRUE(AllZero(w->wavelength));
    EXPECT_TRUE(AllZero(w->wavenumber));
    EXPECT_TRUE(AllZero(w->ramanShift));
    EXPECT_EQ(w->channel, 0) << "the master channel";
    EXPECT_EQ(w->numChannels, 1);
    EXPECT_EQ(w->xAxisMode, 0) << "wavelength";

    w->~AcquisitionWorkspace();
}

TEST(AcquisitionState, EveryFlagStartsOffAndNoScansAreCounted)
{
    Dirty<AcquisitionFlags> memory;
    const AcquisitionFlags* f = memory.Make();

    // Scans are dropped until acquisition is started.
    EXPECT_FALSE(f->scanning);
    EXPECT_FALSE(f->additive);
    EXPECT_EQ(f->additions, 0);
    EXPECT_FALSE(f->darkStored);
    EXPECT_FALSE(f->subtractDark);
    EXPECT_FALSE(f->discardNext);
    // No resize or scale change has asked for the annotations to be re-read.
    EXPECT_FALSE(f->annotationRefresh);
    EXPECT_FALSE(f->cursorShown);
}
