#include "cleaning/CleaningNote.h"

namespace vexlar::cleaning {

namespace {

constexpr char kSpikesNote[] = "Spikes removed";
constexpr char kBaselineNote[] = "Baseline subtracted";
constexpr char kBetweenNotes[] = ", ";

}  // namespace

std::string CleaningNote(bool spikesRemoved, bool baselineSubtracted)
{
    std::string note;
    if (spikesRemoved)
        note = kSpikesNote;
    if (baselineSubtracted) {
        if (!note.empty())
            note += kBetweenNotes;
        note += kBaselineNote;
    }
    return note;
}

}  // namespace vexlar::cleaning
