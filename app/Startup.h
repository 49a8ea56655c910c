// App: process-wide set-up shared by the program and its tests.
#pragma once

class QApplication;

// Maps the window's design fonts to installed faces of the same metrics and
// makes the window font 11 pixels high.
void applyPanelFonts(QApplication& app);
