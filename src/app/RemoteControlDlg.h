#pragma once
// Setup > Remote Control: whether Vexlar is exported as a Tango device, on
// which port (or as which device of a Tango database), whether clients may switch the laser on, and how long a client
// holding the laser may stay silent before the laser goes off.

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

class CRemoteControlDlg : public QDialog {
    Q_OBJECT

public:
    explicit CRemoteControlDlg(QWidget* parent = nullptr);

    // In and out: the dialog shows these and, when accepted, holds the
    // operator's choice.
    bool exportDevice = false;
    int port = 10000;
    // With the database TANGO_HOST names instead of a port: the device.
    std::string deviceName;
    bool allowLaser = false;
    int watchdogSeconds = 10;
    // How a client reaches the device now (shown; empty while none runs).
    std::string address;

    int Run();
    void accept() override;

private:
    QCheckBox* export_;
    QLineEdit* port_;
    QLineEdit* device_;
    QCheckBox* allowLaser_;
    QLineEdit* watchdog_;
    QLabel* address_;
};
