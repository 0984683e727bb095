#include "cleaning/CleaningNote.h"

namespace vexlar::cleaning {

namespace {

constexpr char kSpikesNote[] = "Spikes removed";
constexpr char kBaselineNote[] = "Baseline subtracted";
constexpr char kBaselineFailedNote[] = "Baseline failed";
constexpr char kBetweenNotes[] = ", ";

}  // namespace

std::string CleaningNote(bool spikesRemoved, BaselineState baseline)
{
    std::string note;
    if (spikesRemoved)
        note = kSpikesNote;
    if (baseline != BaselineState::Off) {
        if (!note.empty())
            note += kBetweenNotes;
        note += baseline == BaselineState::Subtracted ? kBaselineNote : kBaselineFailedNote;
    }
    return note;
}

}  // namespace vexlar::cleaning
