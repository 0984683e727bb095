#pragma once
// The document: no data of its own; its title is shown in the frame's
// caption, "Untitled" until a spectrum file is opened.

#include <QString>

class CVexlarDoc {
public:
    const QString& title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    // The caption of the main window: "<title> - Vexlar".
    QString Caption() const { return title_ + " - Vexlar"; }

private:
    QString title_ = "Untitled";
};
