#pragma once
// The File menu's spectrum commands in the window: each asks for a file in
// its dialog and has the engine write or read the spectrum; Save Graph adds
// the annotations and the peak table beside the spectrum file, Open puts the
// file's spectrum and annotations on the chart.

#include <string>

class CVexlarView;

namespace vexlar {

class FileCommands {
public:
    explicit FileCommands(CVexlarView& view) : view_(view) { }

    // File > Save Graph: the spectrum file, then its annotation and peak files.
    void OnSaveGraph();
    // File > Open: a spectrum file shown on its own axis, acquisition stopped.
    void OnOpenSpectrum();
    // File > Export Spectrum: tab-separated text.
    void OnExportSpectrum();
    // false (after telling the operator) when the file cannot be written.
    bool WriteExportFile(const char* path);
    // File > Export As...: CSV or JCAMP-DX, the format chosen by the
    // dialog's filter (or the name's extension).
    void OnExportAs();

    // The same without the dialogs, for a path already chosen.
    void SaveGraph(const std::string& path);
    void OpenSpectrum(const std::string& path);

private:
    CVexlarView& view_;
};

}  // namespace vexlar
