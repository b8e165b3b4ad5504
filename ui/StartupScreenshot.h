// Unattended runs (VEXGRID_SCREENSHOT=<file.png>): the program saves a picture
// of its main window and closes itself, so that it can be checked under Xvfb.
#pragma once

class QWidget;

// The picture is taken when the first shoot has ended; an agent that never
// answers ends no shoot, so the picture is taken at the latest this long after
// the window is shown (past the five sends of a request and its time-out).
inline constexpr int kStartupScreenshotDelayMs = 12000;

// True when VEXGRID_SCREENSHOT names a file.
bool StartupScreenshotRequested();

// ArmStartupScreenshot calls TakeStartupScreenshot(window) after `delayMs`.
void ArmStartupScreenshot(QWidget* window, int delayMs);

// TakeStartupScreenshot saves window->grab() as PNG to the file named by
// VEXGRID_SCREENSHOT and closes the window. Only the first call of a run
// does anything, and nothing happens without VEXGRID_SCREENSHOT.
void TakeStartupScreenshot(QWidget* window);

// InstallUnattendedMessageHook makes modal messages of an unattended run save
// a picture of the box next to the window's (file-message.png), print the text
// on stderr and close by themselves, so that no box waits for a click.
void InstallUnattendedMessageHook();
