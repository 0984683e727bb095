#include "app/RemoteControlDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "FieldInput.h"
#include "ModalDialog.h"
#include "app/RemoteAccess.h"
#include "text/NumberText.h"

namespace {

constexpr unsigned kHighestPort = 65535;
constexpr unsigned kLongestWatchdogSeconds = 3600;

}  // namespace

CRemoteControlDlg::CRemoteControlDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Remote Control");
    export_ = new QCheckBox("&Export Vexlar as a Tango device", this);
    export_->setObjectName("export");
    port_ = new QLineEdit(this);
    port_->setObjectName("port");
    device_ = new QLineEdit(this);
    device_->setObjectName("device");
    device_->setPlaceholderText("domain/family/member");
    allowLaser_ = new QCheckBox("Allow clients to switch the &laser on", this);
    allowLaser_->setObjectName("allowLaser");
    watchdog_ = new QLineEdit(this);
    watchdog_->setObjectName("watchdog");
    address_ = new QLabel(this);
    address_->setObjectName("address");
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (QLineEdit* field : {port_, watchdog_})
        vexlar::sys::SelectAllOnFocus(field);

    auto* form = new QFormLayout;
    form->addRow("&Port (no database):", port_);
    form->addRow("Or &device (Tango database):", device_);
    form->addRow("Laser off after a client's silence of (s):", watchdog_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRemoteControlDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(export_);
    layout->addLayout(form);
    layout->addWidget(allowLaser_);
    layout->addWidget(address_);
    layout->addWidget(buttons);
}

int CRemoteControlDlg::Run()
{
    export_->setChecked(exportDevice);
    port_->setText(QString::number(port));
    device_->setText(QString::fromStdString(deviceName));
    allowLaser_->setChecked(allowLaser);
    watchdog_->setText(QString::number(watchdogSeconds));
    address_->setText(address.empty() ? QString("No device is exported.")
                                      : QString::fromStdString("Clients reach Vexlar at " + address));
    return vexlar::sys::RunModal(*this);
}

void CRemoteControlDlg::accept()
{
    const std::optional<unsigned> p = vexlar::UnsignedText(port_->text().toStdString());
    if (!p || *p < 1 || *p > kHighestPort) {
        vexlar::sys::RefuseFieldText(port_, "The port must be a whole number from 1 to 65535.");
        return;
    }
    const QString device = device_->text().trimmed();
    if (!device.isEmpty() && !vexlar::IsTangoDeviceName(device.toStdString())) {
        vexlar::sys::RefuseFieldText(device_, "The device's name is domain/family/member, as lab/raman/1.");
        return;
    }
    const std::optional<unsigned> w = vexlar::UnsignedText(watchdog_->text().toStdString());
    if (!w || *w < 1 || *w > kLongestWatchdogSeconds) {
        vexlar::sys::RefuseFieldText(watchdog_, "The silence must be a whole number of seconds from 1 to 3600.");
        return;
    }
    exportDevice = export_->isChecked();
    port = static_cast<int>(*p);
    deviceName = device.toStdString();
    allowLaser = allowLaser_->isChecked();
    watchdogSeconds = static_cast<int>(*w);
    QDialog::accept();
}
