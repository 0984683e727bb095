#pragma once
// The About box: a picture of a Raman spectrum with the program's name, the
// version line and OK.

#include <QDialog>
#include <QImage>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static constexpr int kPictureWidth = 462;
    static constexpr int kPictureHeight = 312;
    // The picture, drawn: a cyclohexane spectrum under the program's name.
    static QImage Picture();
};
