#include "files/FileDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>

#include "ModalDialog.h"

using namespace vexlar::files;

namespace vexlar::files {

FileDialogSetup SaveSpectrumDialog()
{
    return {FileDialogMode::Save, "Save Raman Spectrum File", {"Raman Files (*.ram)", kAllFilesFilter}, "ram", {}};
}

FileDialogSetup OpenSpectrumDialog()
{
    return {FileDialogMode::Open, "Open Raman Spectrum File", {"Raman Files (*.ram)", kAllFilesFilter}, "ram", {}};
}

FileDialogSetup ExportSpectrumDialog()
{
    return {FileDialogMode::Save, "Export Spectrum", {"Exported Spectrum Files (*.exp)", kAllFilesFilter}, "exp", {}};
}

FileDialogSetup ExportAsDialog()
{
    return {FileDialogMode::Save,
            "Export Spectrum As",
            {"CSV Files (*.csv)", "JCAMP-DX Files (*.jdx *.dx)"},
            "csv",
            {"csv", "jdx"}};
}

FileDialogSetup SaveFigureDialog()
{
    return {FileDialogMode::Save,
            "Save Figure",
            {"PNG Images (*.png)", "SVG Drawings (*.svg)", "PDF Documents (*.pdf)"},
            "png",
            {"png", "svg", "pdf"}};
}

}  // namespace vexlar::files

CFileDialog::CFileDialog(QWidget* parent, const FileDialogSetup& setup) : QFileDialog(parent), setup_(setup)
{
    // Qt's own dialog everywhere, so the default extension and the replace
    // question work the same on every desktop; the replace question is
    // asked by accept() below rather than by Qt.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setWindowTitle(setup.title);
    setNameFilters(setup.filters);
    setDefaultSuffix(setup.defaultExtension);
    if (setup.mode == FileDialogMode::Save) {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
    } else {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::ExistingFile);
    }
    // Choosing another filter changes the extension a typed name is given.
    connect(this, &QFileDialog::filterSelected, this, &CFileDialog::FollowChosenFilter);
    // The first filter is in force now; another one once the operator picks
    // it (Qt has applied its patterns by then).
    ListEveryFileUnderAllFiles();
    connect(this, &QFileDialog::filterSelected, this, &CFileDialog::ListEveryFileUnderAllFiles);
}

void CFileDialog::FollowChosenFilter()
{
    const int filter = ChosenFilter();
    if (filter >= 0 && filter < setup_.filterExtensions.size())
        setDefaultSuffix(setup_.filterExtensions[filter]);
}

int CFileDialog::ChosenFilter() const
{
    const auto index = setup_.filters.indexOf(selectedNameFilter());
    return index < 0 ? 0 : static_cast<int>(index);
}

void CFileDialog::ListEveryFileUnderAllFiles()
{
    auto* listing = findChild<QFileSystemModel*>();
    if (!listing)
        return;
    QStringList patterns = listing->nameFilters();
    if (!patterns.contains(QStringLiteral("*.*")))
        return;
    for (QString& pattern : patterns) {
        if (pattern == QStringLiteral("*.*"))
            pattern = QStringLiteral("*");
    }
    listing->setNameFilters(patterns);
}

std::string CFileDialog::Choose(QWidget* parent, const FileDialogSetup& setup)
{
    int filter = 0;
    return Choose(parent, setup, &filter);
}

std::string CFileDialog::Choose(QWidget* parent, const FileDialogSetup& setup, int* filter)
{
    CFileDialog dialog(parent, setup);
    *filter = 0;
    if (vexlar::sys::RunModal(dialog) != QDialog::Accepted)
        return {};
    *filter = dialog.ChosenFilter();
    return QFile::encodeName(dialog.ChosenPath()).toStdString();
}

QString CFileDialog::ChosenPath() const
{
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return {};
    QString path = files.first();
    const QFileInfo info(path);
    // Qt adds the default extension to a typed name already; a name that
    // reached here without one and is not an existing file gets it too.
    if (setup_.mode == FileDialogMode::Save && !defaultSuffix().isEmpty() && !info.exists() &&
        !info.fileName().contains(u'.'))
        path += u'.' + defaultSuffix();
    return path;
}

void CFileDialog::accept()
{
    // A filter chosen by the program rather than by a click has not said so.
    FollowChosenFilter();
    if (setup_.mode == FileDialogMode::Save) {
        const QString path = ChosenPath();
        const QFileInfo info(path);
        // A folder is opened by the dialog itself; only a file is replaced.
        if (!path.isEmpty() && info.exists() && !info.isDir() && !ConfirmReplace(path))
            return;
    }
    QFileDialog::accept();
}

bool CFileDialog::ConfirmReplace(const QString& path)
{
    const QString question = QString("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName());
    QMessageBox box(QMessageBox::Warning, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    vexlar::sys::RunModal(box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}
