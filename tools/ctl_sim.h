#pragma once
// veldmarkctl sim plug|unplug|select <kind>: steers the simulated devices of
// the running application (started with VELDMARK_HID=sim) through its
// single-instance endpoint.

#include <ostream>
#include <string>
#include <vector>

int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
