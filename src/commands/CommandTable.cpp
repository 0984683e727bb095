#include "commands/CommandTable.h"

#include <algorithm>
#include <array>

#include "commands/CommandIds.h"

namespace vexlar {
namespace {

constexpr CommandInfo kCommands[] = {
    {ID_FILE_NEW, "&New\tCtrl+N", "Create a new document", "New", ":/icons/new.png", false},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document", "Open", ":/icons/open.png", false},
    {ID_SAVE_GRAPH, "&Save Graph\tCtrl+S", "Save the current graph", "Save graph", ":/icons/save.png", false},
    {ID_EXPORT_SPECTRUM, "&Export Spectrum\tCtrl+E", "Exports the spectrum into an ASCII file", nullptr, nullptr,
     false},
    {ID_EXPORT_AS, "Export &As...", "Exports the spectrum as CSV or JCAMP-DX with what is known about it", nullptr,
     nullptr, false},
    {ID_SAVE_FIGURE, "Save &Figure...", "Saves the chart as a PNG, SVG or PDF figure", nullptr, nullptr, false},
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active document", "Print", ":/icons/print.png", false},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options", nullptr, nullptr, false},
    {ID_FILE_MRU_FILE1, "Recent File", "Open this document", nullptr, nullptr, false},
    {ID_APP_EXIT, "E&xit", "Quit the application", nullptr, nullptr, false},
    {ID_CLEAR_ALL_ANNOTATIONS, "&Clear All Annotations", "Clears all annotations from the graph", nullptr, nullptr,
     false},
    {ID_PEAK_LABELS, "&Peak Labels", "Toggles the display of peak markings", "Peak Labels", ":/icons/peaklabels.png",
     true},
    {ID_CURSOR, "Cursor", "Toggles the display of the cursor", "Cursor", ":/icons/cursor.png", true},
    {ID_REMOVE_SPIKES, "Remove Spi&kes", "Removes cosmic-ray spikes from each scan", nullptr, nullptr, true},
    {ID_SUBTRACT_BASELINE, "Subtract &Baseline", "Subtracts the fluorescence baseline from the spectrum", nullptr,
     nullptr, true},
    {ID_BASELINE_SETTINGS, "Baseline Setti&ngs...", "Sets the smoothness and asymmetry of the baseline", nullptr,
     nullptr, false},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar", nullptr, nullptr, true},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", nullptr, nullptr, true},
    {ID_CONFIGURE_HARDWARE, "Configure &Hardware", "Configure your interface hardware", nullptr, nullptr, false},
    {ID_CONFIGURE_SPECTROMETER, "Configure &Spectrometer", "Configure your spectrometer", nullptr, nullptr, false},
    {ID_CALIBRATE_FROM_LAMP, "Calibrate from &Lamp...", "Fits the wavelength calibration to a neon lamp's lines",
     nullptr, nullptr, false},
    {ID_CHECK_RAMAN_SHIFT, "Check &Raman Shift...", "Checks the Raman shift against a reference sample", nullptr,
     nullptr, false},
    {ID_REMOTE_CONTROL, "Remote &Control...", "Lets a control system drive Vexlar as a Tango device", nullptr, nullptr,
     false},
    {ID_TIME_ACQ_CONFIGURE, "&Configure", "Configure Time Acquisition", nullptr, nullptr, false},
    {ID_TIME_ACQ_START, "&Start", "Starts the time acquisition series", nullptr, nullptr, false},
    {ID_TIME_ACQ_STOP, "Sto&p", "Stops the time acquisition series", nullptr, nullptr, false},
    {ID_MARK_ALL_PEAKS, "Mark &All Peaks", "Marks all peaks", nullptr, nullptr, false},
    {ID_PEAK_SETTINGS, "Peak &Settings...", "Configures peak finding algorithm", nullptr, nullptr, false},
    {ID_MARK_PEAK_AT_CURSOR, "&Mark Peak at Cursor", "Marks a peak at the current cursor location", nullptr, nullptr,
     false},
    {ID_SHOW_PEAK_TABLE, "Show Peak &Table", "Shows the current peak table", nullptr, nullptr, false},
    {ID_PRINT_PEAK_TABLE, "P&rint Peak Table", "Prints peak table", nullptr, nullptr, false},
    {ID_RESET_PEAK_TABLE, "R&eset Peak Table", "Reset (clears) peak table", nullptr, nullptr, false},
    {ID_APP_ABOUT, "&About Vexlar...", "Display program information and version number", nullptr, nullptr, false},
    {ID_STORE_DARK, nullptr, "Stores a dark spectrum", "Store Dark", ":/icons/storedark.png", false},
    {ID_SUBTRACT_DARK, nullptr, "Subtracts the dark spectrum", "Subtract Dark", ":/icons/subtractdark.png", true},
    {ID_ADDITIVE_MODE, nullptr, "Captures a single spectrum", "Additive Mode", ":/icons/additive.png", true},
    {ID_AUTOSCALE, nullptr, "Autoscales the graph", "Autoscale", ":/icons/autoscale.png", false},
    {ID_SET_SCALE, nullptr, "Manually set the graph scale", "Set Scale", ":/icons/setscale.png", false},
    {ID_UNSCALE, nullptr, "Returns the graph to the default scale", "Unscale", ":/icons/unscale.png", false},
    {ID_CURSOR_LEFT_25, nullptr, "Moves cursor 25 pixels to the left", "Move cursor 25 pixels left",
     ":/icons/left25.png", false},
    {ID_CURSOR_LEFT_1, nullptr, "Moves cursor 1 pixel to the left", "Move cursor 1 pixel left", ":/icons/left1.png",
     false},
    {ID_CURSOR_RIGHT_1, nullptr, "Moves cursor 1 pixel to the right", "Move cursor 1 pixel right", ":/icons/right1.png",
     false},
    {ID_CURSOR_RIGHT_25, nullptr, "Moves cursor 25 pixels to the right", "Move cursor 25 pixels right",
     ":/icons/right25.png", false},
    {ID_CURSOR_NEXT_PEAK_LEFT, nullptr, "Moves cursor to the next peak to the left", "Move cursor to next peak left",
     ":/icons/peakleft.png", false},
    {ID_CURSOR_NEXT_PEAK_RIGHT, nullptr, "Moves cursor to the next peak to the right", "Move cursor to next peak right",
     ":/icons/peakright.png", false},
    {ID_RESET, nullptr, "Resets acquisition", "Reset", ":/icons/reset.png", false},
};

constexpr int kFileMenu[] = {ID_FILE_NEW,       ID_FILE_OPEN, ID_SAVE_GRAPH, ID_EXPORT_SPECTRUM,  ID_EXPORT_AS,
                             ID_SAVE_FIGURE,    kSeparator,   ID_FILE_PRINT, ID_FILE_PRINT_SETUP, kSeparator,
                             ID_FILE_MRU_FILE1, kSeparator,   ID_APP_EXIT};
constexpr int kViewMenu[] = {
    ID_CLEAR_ALL_ANNOTATIONS, kSeparator,           ID_PEAK_LABELS,       ID_CURSOR,  kSeparator,
    ID_REMOVE_SPIKES,         ID_SUBTRACT_BASELINE, ID_BASELINE_SETTINGS, kSeparator, ID_VIEW_TOOLBAR,
    ID_VIEW_STATUS_BAR};
constexpr int kSetupMenu[] = {ID_CONFIGURE_HARDWARE,  ID_CONFIGURE_SPECTROMETER, kSeparator,
                              ID_CALIBRATE_FROM_LAMP, ID_CHECK_RAMAN_SHIFT,      kSeparator,
                              ID_REMOTE_CONTROL};
constexpr int kTimeMenu[] = {ID_TIME_ACQ_CONFIGURE, kSeparator, ID_TIME_ACQ_START, ID_TIME_ACQ_STOP};
constexpr int kPeaksMenu[] = {ID_MARK_ALL_PEAKS,  ID_PEAK_SETTINGS,    kSeparator,         ID_MARK_PEAK_AT_CURSOR,
                              ID_SHOW_PEAK_TABLE, ID_PRINT_PEAK_TABLE, ID_RESET_PEAK_TABLE};
constexpr int kHelpMenu[] = {ID_APP_ABOUT};

constexpr MenuInfo kMenus[] = {
    {"&File", kFileMenu},   {"&View", kViewMenu}, {"&Setup", kSetupMenu}, {"&Time Acquisition", kTimeMenu},
    {"&Peaks", kPeaksMenu}, {"&Help", kHelpMenu},
};

constexpr int kToolBar[] = {
    ID_FILE_NEW,
    ID_FILE_OPEN,
    ID_SAVE_GRAPH,
    ID_FILE_PRINT,
    kSeparator,
    ID_STORE_DARK,
    ID_SUBTRACT_DARK,
    ID_ADDITIVE_MODE,
    kSeparator,
    ID_PEAK_LABELS,
    kSeparator,
    ID_CURSOR,
    kSeparator,
    ID_AUTOSCALE,
    ID_SET_SCALE,
    ID_UNSCALE,
    kSeparator,
    ID_CURSOR_LEFT_25,
    ID_CURSOR_LEFT_1,
    ID_CURSOR_RIGHT_1,
    ID_CURSOR_RIGHT_25,
    kSeparator,
    ID_CURSOR_NEXT_PEAK_LEFT,
    ID_CURSOR_NEXT_PEAK_RIGHT,
    kSeparator,
    ID_RESET,
};

}  // namespace

const CommandInfo* FindCommand(int id)
{
    const auto it =
        std::find_if(std::begin(kCommands), std::end(kCommands), [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const CommandInfo> AllCommands()
{
    return kCommands;
}
std::span<const MenuInfo> MenuBarLayout()
{
    return kMenus;
}
std::span<const int> ToolBarLayout()
{
    return kToolBar;
}

}  // namespace vexlar
