#pragma once
// The program's file dialogs: choosing the file to save a graph to, to open
// a graph from, to export a spectrum to, or to save a figure to.
//
// Every dialog is Qt's own file dialog (the same on every desktop, so it
// behaves as described here everywhere), with a title, a list of filters, a
// default extension that is added when the typed name has none, and, when
// saving, a question before an existing file is replaced ("No" keeps the
// dialog open). Qt's dialog has no read-only check box, so none is shown.
// "All Files (*.*)" lists every file, as on the operator's desktop, those
// without an extension too (Qt alone would list only names with a dot).
//
// CFileDialog::Choose is the one entry point. The dialog and the replace
// question are modal dialogs run through vexlar::sys::RunModal, where tests
// stand in for the operator.

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <string>

namespace vexlar::files {

// The filter that lists every file, as the operator's desktop shows it.
constexpr char kAllFilesFilter[] = "All Files (*.*)";

enum class FileDialogMode { Save, Open };

// What a file dialog asks for.
struct FileDialogSetup {
    FileDialogMode mode = FileDialogMode::Save;
    QString title;
    QStringList filters;       // shown in this order, the first one chosen
    QString defaultExtension;  // without the dot
    // When given, the default extension while each filter is chosen, in the
    // order of filters (the format follows the filter).
    QStringList filterExtensions;
};

// "Save Raman Spectrum File" and "Open Raman Spectrum File": spectrum files.
FileDialogSetup SaveSpectrumDialog();
FileDialogSetup OpenSpectrumDialog();
// "Export Spectrum": export files.
FileDialogSetup ExportSpectrumDialog();
// "Export Spectrum As": CSV or JCAMP-DX, by the filter.
FileDialogSetup ExportAsDialog();
// "Save Figure": PNG, SVG or PDF, by the filter.
FileDialogSetup SaveFigureDialog();

}  // namespace vexlar::files

class CFileDialog : public QFileDialog {
    Q_OBJECT

public:
    CFileDialog(QWidget* parent, const vexlar::files::FileDialogSetup& setup);

    // Runs the dialog until the operator chooses a file or cancels. The
    // chosen file's full path in the file system's encoding, or an empty
    // string when the operator cancelled.
    static std::string Choose(QWidget* parent, const vexlar::files::FileDialogSetup& setup);
    // The same, and the position of the filter chosen in *filter.
    static std::string Choose(QWidget* parent, const vexlar::files::FileDialogSetup& setup, int* filter);

    // The file the dialog holds now: the name selected or typed, with the
    // default extension added to a typed name without one. Empty for none.
    QString ChosenPath() const;

    // When saving, asks before an existing file is replaced; "No" keeps the
    // dialog open.
    void accept() override;

private:
    // The default extension of the filter chosen now.
    void FollowChosenFilter();
    int ChosenFilter() const;
    bool ConfirmReplace(const QString& path);
    // Qt reads the pattern "*.*" as "names with a dot"; under "All Files
    // (*.*)" every file is listed, those without an extension too.
    void ListEveryFileUnderAllFiles();

    vexlar::files::FileDialogSetup setup_;
};
