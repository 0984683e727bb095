#pragma once
// What the view needs of the main frame around it: the acquisition control
// bar's fields and the status bar's message pane. The frame implements it;
// tests put a stand-in in its place.

#include <string>

#include "display/Readout.h"

namespace vexlar {

// Acquisition control-bar controls, by id.
enum ControlId : int {
    IDC_CONTINUOUS = 1012,
    IDC_ADDITIVE = 1013,
    IDC_LASER_WAVELENGTH = 1016,
    IDC_X_AXIS = 1018,
    IDC_CHANNEL = 1021,
    IDC_INTEGRATION_TIME = 1022,
    IDC_AVERAGE = 1024,
    IDC_BOXCAR = 1025,
    IDC_LASER = 1043,
};

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Check boxes and radio buttons of the control bar.
    virtual void SetChecked(int controlId, bool checked) = 0;
    virtual bool IsChecked(int controlId) const = 0;
    // The visible text of an edit or drop-down list.
    virtual std::string Text(int controlId) const = 0;
    virtual void SetText(int controlId, const std::string& text) = 0;
    // The selected item of a drop-down list: its index (-1 for none) and text.
    virtual int SelectedIndex(int controlId) const = 0;
    virtual std::string SelectedItemText(int controlId) const = 0;

    // Selects an item of a drop-down list, showing its text.
    virtual void SelectItem(int controlId, int index) = 0;

    // The status bar's message pane.
    virtual void SetStatusText(const std::string& text) = 0;
    // The readout in the message pane, which changes with every scan; a host
    // that has nothing better shows its text at once.
    virtual void SetStatusReadout(const display::Readout& readout)
    {
        char text[display::kReadoutTextSize];
        display::FormatReadout(readout, text);
        SetStatusText(text);
    }
    // A pane of its own at the status bar's right end, which no readout or
    // prompt overwrites, for what the display does to the spectrum
    // ("Baseline subtracted"); hidden while its text is empty.
    virtual void SetIndicatorText(const std::string& text) { (void)text; }
    // The document title shown in the main window's caption.
    virtual void SetDocumentTitle(const std::string& title) = 0;
};

}  // namespace vexlar
