#pragma once
// veldmarkctl ui: the running program's window, through the same
// notifications a person's input raises, so a script reaches the same routes
// as a click:
//   ui tree [--page KIND] [NAME]                 class, name, visible, enabled, text of
//                                                every control below NAME
//   ui get [--page KIND] NAME PROPERTY           one value, or one item a line
//   ui set [--page KIND] NAME PROPERTY VALUE     as a person would change it
//   ui click [--page KIND] NAME
//   ui notify [--page KIND] NAME TYPE            any other notification
//   ui wait [--page KIND] NAME PROPERTY VALUE [--timeout MS]
//   ui screenshot FILE.png                       the window as it is drawn now
// KIND is keyboard, mouse, mousepad or headset. Exit status 0 done, 1 refused
// (one line on `err`: an unknown or ambiguous name, a property the control
// lacks, a value it refuses, a wait that timed out), 2 bad arguments.
//
// Example: veldmarkctl ui set --page mouse DPI_slider_1 value 1600

#include <iosfwd>
#include <string>
#include <vector>

int RunUiCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
