// The program's file dialogs, answered through the same entry point the
// handlers use.

#include <gtest/gtest.h>

#include <filesystem>

#include "files/FileDialogs.h"
#include "support/FileOperator.h"
#include "support/OperatorInput.h"
#include "support/TempDir.h"

using namespace vexlar::files;
using namespace vexlar::test;

namespace {

// What the dialog lists in folder, the names separated by blanks.
std::string Listed(QFileDialog& dialog, const QString& folder)
{
    return ListedNames(dialog, folder).join(' ').toStdString();
}

}  // namespace

TEST(FileDialogs, EachDialogHasItsTitleFiltersExtensionAndNoReadOnlyBox)
{
    TempDir dir;
    FileOperator op;
    op.Cancel();
    op.Cancel();
    op.Cancel();
    EXPECT_EQ(CFileDialog::Choose(nullptr, SaveSpectrumDialog()), "");
    EXPECT_EQ(CFileDialog::Choose(nullptr, OpenSpectrumDialog()), "");
    EXPECT_EQ(CFileDialog::Choose(nullptr, ExportSpectrumDialog()), "");
    ASSERT_EQ(op.seen.size(), 3u);

    EXPECT_EQ(op.seen[0].title, "Save Raman Spectrum File");
    EXPECT_EQ(op.seen[0].filters, QStringList({"Raman Files (*.ram)", "All Files (*.*)"}));
    EXPECT_EQ(op.seen[0].defaultSuffix, "ram");
    EXPECT_EQ(op.seen[0].acceptMode, QFileDialog::AcceptSave);

    EXPECT_EQ(op.seen[1].title, "Open Raman Spectrum File");
    EXPECT_EQ(op.seen[1].filters, QStringList({"Raman Files (*.ram)", "All Files (*.*)"}));
    EXPECT_EQ(op.seen[1].defaultSuffix, "ram");
    EXPECT_EQ(op.seen[1].acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(op.seen[1].fileMode, QFileDialog::ExistingFile) << "only existing files open";

    EXPECT_EQ(op.seen[2].title, "Export Spectrum");
    EXPECT_EQ(op.seen[2].filters, QStringList({"Exported Spectrum Files (*.exp)", "All Files (*.*)"}));
    EXPECT_EQ(op.seen[2].defaultSuffix, "exp");
    EXPECT_EQ(op.seen[2].acceptMode, QFileDialog::AcceptSave);

    for (const SeenDialog& s : op.seen)
        EXPECT_EQ(s.checkBoxes, 0) << s.title.toStdString();
    EXPECT_TRUE(op.questions.empty());
}

TEST(FileDialogs, TheDefaultExtensionIsAddedOnlyToANameWithout)
{
    TempDir dir;
    FileOperator op;
    op.Choose(dir.file("graph"));
    op.Choose(dir.file("graph.txt"));
    op.Choose(dir.file("run"));
    EXPECT_EQ(CFileDialog::Choose(nullptr, SaveSpectrumDialog()), dir.file("graph.ram"));
    EXPECT_EQ(CFileDialog::Choose(nullptr, SaveSpectrumDialog()), dir.file("graph.txt"));
    EXPECT_EQ(CFileDialog::Choose(nullptr, ExportSpectrumDialog()), dir.file("run.exp"));
    EXPECT_TRUE(op.questions.empty()) << "nothing to replace";
}

TEST(FileDialogs, ReplacingAFileIsConfirmedFirstOnlyWhenSaving)
{
    TempDir dir;
    const std::string existing = dir.file("old.ram");
    ASSERT_TRUE(WriteWholeFile(existing, "keep"));
    FileOperator op;

    op.replace = false;
    op.Choose(existing);
    EXPECT_EQ(CFileDialog::Choose(nullptr, SaveSpectrumDialog()), "") << "No keeps the dialog open: nothing chosen";
    ASSERT_EQ(op.questions.size(), 1u);
    EXPECT_EQ(op.questions[0], "old.ram already exists.\nDo you want to replace it?");

    op.replace = true;
    op.Choose(dir.file("old"));  // typed without the extension: the same file
    EXPECT_EQ(CFileDialog::Choose(nullptr, SaveSpectrumDialog()), existing);
    EXPECT_EQ(op.questions.size(), 2u);

    op.Choose(existing);
    EXPECT_EQ(CFileDialog::Choose(nullptr, OpenSpectrumDialog()), existing);
    EXPECT_EQ(op.questions.size(), 2u) << "opening replaces nothing";
    EXPECT_EQ(ReadWholeFile(existing), "keep") << "choosing writes nothing";
}

TEST(FileDialogs, AllFilesListsEveryFileThoseWithoutAnExtensionToo)
{
    TempDir dir;
    for (const char* name : {"README", "spectrum.ram", "run.exp", "notes.txt"})
        ASSERT_TRUE(WriteWholeFile(dir.file(name), "x"));
    const QString folder = QString::fromStdString(dir.path());
    const std::string everything = "README notes.txt run.exp spectrum.ram";

    CFileDialog save(nullptr, SaveSpectrumDialog());
    EXPECT_EQ(Listed(save, folder), "spectrum.ram");
    ASSERT_TRUE(PickFileFilter(save, "All Files (*.*)"));
    EXPECT_EQ(Listed(save, folder), everything);

    CFileDialog open(nullptr, OpenSpectrumDialog());
    ASSERT_TRUE(PickFileFilter(open, "All Files (*.*)"));
    EXPECT_EQ(Listed(open, folder), everything);
    // And back: the spectrum files alone.
    ASSERT_TRUE(PickFileFilter(open, "Raman Files (*.ram)"));
    EXPECT_EQ(Listed(open, folder), "spectrum.ram");

    CFileDialog exported(nullptr, ExportSpectrumDialog());
    EXPECT_EQ(Listed(exported, folder), "run.exp");
    ASSERT_TRUE(PickFileFilter(exported, "All Files (*.*)"));
    EXPECT_EQ(Listed(exported, folder), everything);
}
