#pragma once
// The Spectrometer Configuration dialog: the number of spectrometer channels
// and, channel by channel, the four coefficients of the wavelength
// calibration polynomial (from the spectrometer's calibration report).
//
// The view fills the public members before running the dialog and reads them
// back after OK. A coefficient the operator types reaches its table, at the
// channel whose button is checked, when its edit is left, or at the latest
// when another channel, a number of channels or OK is chosen; a text that is
// not a number is refused with a message and the focus goes back to it.

#include <QDialog>

#include <map>
#include <string>

#include "calibration/CalibrationTable.h"

class QButtonGroup;
class QLineEdit;

namespace vexlar::spectrometer_config {

// Channels the dialog holds coefficients for: the master and seven slaves.
constexpr int kChannelCount = vexlar::calibration::kCalibratedChannels;

// Control ids of the dialog.
// Number of spectrometers: one button for each count from 1 to 8.
constexpr int IDC_SINGLE = 1007;
constexpr int IDC_DOUBLE = 1009;
constexpr int IDC_TRIPLE = 1008;
constexpr int IDC_QUAD = 1010;
constexpr int IDC_FIVE_CHANNELS = 1015;
constexpr int IDC_SIX_CHANNELS = 1016;
constexpr int IDC_SEVEN_CHANNELS = 1017;
constexpr int IDC_EIGHT_CHANNELS = 1018;
// Spectrometer channel: "Master" is IDC_MASTER, slave k is IDC_MASTER + k.
constexpr int IDC_MASTER = 2000;
// The coefficient edits.
constexpr int IDC_FIRST_COEFFICIENT = 1004;
constexpr int IDC_SECOND_COEFFICIENT = 1005;
constexpr int IDC_THIRD_COEFFICIENT = 1012;
constexpr int IDC_INTERCEPT = 1006;
// The buttons.
constexpr int IDC_OK = 1;
constexpr int IDC_CANCEL = 2;

// The number-of-spectrometers buttons, in the order of the count they set.
constexpr int kNumberButtonIds[kChannelCount] = {IDC_SINGLE,         IDC_DOUBLE,        IDC_TRIPLE,
                                                 IDC_QUAD,           IDC_FIVE_CHANNELS, IDC_SIX_CHANNELS,
                                                 IDC_SEVEN_CHANNELS, IDC_EIGHT_CHANNELS};

}  // namespace vexlar::spectrometer_config

class CSpectrometerConfigDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSpectrometerConfigDlg(QWidget* parent = nullptr);
    ~CSpectrometerConfigDlg() override;

    // Shows the dialog modally and returns QDialog::Accepted or Rejected.
    int RunModal();

    // Controls by control id (nullptr for an unknown id).
    QWidget* Control(int id) const;

    // --- Exchanged with the view ----------------------------------------------
    int numChannels = 1;
    // The calibration table edited: a copy of the view's, handed back on OK.
    vexlar::calibration::CalibrationTable calibration;

    // Channel whose coefficients the edits show.
    int selectedChannel = 0;
    // The values exchanged with the four coefficient edits.
    float firstValue = 0.0f;
    float secondValue = 0.0f;
    float thirdValue = 0.0f;
    float interceptValue = 0.0f;

    // OK: every edit must hold a number; any the operator typed into and
    // did not leave yet is stored before the dialog closes.
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Coefficient { First, Second, Third, Intercept, kCoefficients };

    void BuildLayout();
    QWidget* BuildNumberGroup();
    QWidget* BuildChannelGroup();
    QWidget* BuildCoefficients();

    void InitDialog();
    void OnNumberButton(int count);
    void OnChannelButton(int channel);
    void ApplyNumberOfChannels(int count);
    void OnEditLeft(Coefficient c);

    float& Value(Coefficient c);
    float& TableEntry(Coefficient c, int channel);
    // Edit values from the tables at the selected channel.
    void LoadEditValues();
    // Writes the edit values into the edits.
    void ShowEditValues();
    // Reads one edit into its value; false (value kept) when its text is
    // refused. The reason goes to message when given.
    bool ReadEdit(Coefficient c, std::string* message);
    // Reads every edit into its value; returns the first refused one
    // (kCoefficients when none) with the reason in message.
    Coefficient ReadAllEdits(std::string* message);
    // Reads every edit; the first refused one, if any, is reported and gets
    // the focus back. False when one was refused.
    bool ReadEditValues();
    void Refuse(Coefficient c, const std::string& message);
    // Stores an edit's value into its table at the selected channel.
    void StoreEdit(Coefficient c);
    // Stores every edit typed into since it was last stored or shown. A
    // text that is not a number is refused (message, focus back) and false
    // returned; the edits before it are stored.
    bool StorePendingEdits();

    QButtonGroup* numberButtons_ = nullptr;
    QButtonGroup* channelButtons_ = nullptr;
    QLineEdit* edits_[kCoefficients] = {};
    std::map<int, QWidget*> controls_;
    // A refusal is being shown: focus changes it causes are not the
    // operator leaving an edit.
    bool refusing_ = false;
    // The dialog is closing: nothing is read or stored any more.
    bool closing_ = false;
};
