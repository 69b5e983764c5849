#pragma once
// The frame's picture and printing commands: File > Export picture..., Export all pictures...,
// Print... and Print preview..., and Help > Contents.

class QMdiSubWindow;
class QWidget;

namespace vistrel {

class CMainFrame;

// Runs one of the commands; false for any other command id.
bool RunPictureCommand(CMainFrame* frame, int id);

} // namespace vistrel
